// A WindowPort for tests that records every call, so a test can check which
// messages, status texts and row counts the logic sent. Safe to call from
// several threads; read the records after the workers have finished, or
// through the accessors, which copy under the lock.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/window_port.h"

namespace tarnwell::testing {

class RecordingPort final : public core::WindowPort {
 public:
  struct Message {
    std::string text;
    core::MessageIcon icon;
  };

  void InsertMessage(std::string_view text, core::MessageIcon icon) override {
    std::lock_guard lock(mutex_);
    messages_.push_back({std::string(text), icon});
  }
  void SetStatusText(std::string_view text) override {
    std::lock_guard lock(mutex_);
    status_texts_.emplace_back(text);
  }
  void SetTitle(std::string_view text) override {
    std::lock_guard lock(mutex_);
    titles_.emplace_back(text);
  }
  void SetInstructionText(std::string_view text) override {
    std::lock_guard lock(mutex_);
    instruction_texts_.emplace_back(text);
  }
  void SetBusy(bool busy) override {
    std::lock_guard lock(mutex_);
    busy_calls_.push_back(busy);
  }
  void ItemRowsChanged(int row_count) override {
    std::lock_guard lock(mutex_);
    row_counts_.push_back(row_count);
  }
  void SendCancel() override {
    std::lock_guard lock(mutex_);
    ++cancels_;
  }

  std::vector<Message> messages() const { return Copy(messages_); }
  std::vector<std::string> status_texts() const { return Copy(status_texts_); }
  std::vector<std::string> titles() const { return Copy(titles_); }
  std::vector<std::string> instruction_texts() const { return Copy(instruction_texts_); }
  std::vector<bool> busy_calls() const { return Copy(busy_calls_); }
  std::vector<int> row_counts() const { return Copy(row_counts_); }
  int cancels() const { return Copy(cancels_); }
  // The last status text, "" when none was set.
  std::string last_status() const {
    std::lock_guard lock(mutex_);
    return status_texts_.empty() ? std::string() : status_texts_.back();
  }
  // The texts of the message rows carrying the given icon, oldest first.
  std::vector<std::string> MessagesWith(core::MessageIcon icon) const {
    std::lock_guard lock(mutex_);
    std::vector<std::string> texts;
    for (const Message& m : messages_) {
      if (m.icon == icon) texts.push_back(m.text);
    }
    return texts;
  }
  // Forgets the message rows, so a test can look at its next step alone.
  void ClearMessages() {
    std::lock_guard lock(mutex_);
    messages_.clear();
  }

 private:
  template <typename T>
  T Copy(const T& value) const {
    std::lock_guard lock(mutex_);
    return value;
  }

  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  std::vector<std::string> status_texts_;
  std::vector<std::string> titles_;
  std::vector<std::string> instruction_texts_;
  std::vector<bool> busy_calls_;
  std::vector<int> row_counts_;
  int cancels_ = 0;
};

}  // namespace tarnwell::testing
