// An event sink for tests: records every event, and shows each on a
// RecordingPort through the window's translator, so a test can check the
// reasons the jobs gave and, where the text itself matters, the rows.
#pragma once

#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "job/event_sink.h"
#include "tests/support/recording_port.h"
#include "ui/event_texts.h"

namespace tarnwell::testing {

class RecordingSink final : public job::EventSink {
 public:
  explicit RecordingSink(ui::Front front = ui::Front::kWindow) : front_(front) {}

  void Report(const job::Event& event) override {
    {
      std::lock_guard lock(mutex_);
      events_.push_back(event);
    }
    ui::ShowEvent(event, front_, port_);
  }

  // Forgets the events and the rows, so a test can look at its next step alone.
  void Clear() {
    {
      std::lock_guard lock(mutex_);
      events_.clear();
    }
    port_.ClearMessages();
  }

  RecordingPort& port() { return port_; }
  const RecordingPort& port() const { return port_; }

  std::vector<job::Event> events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  // The events of one type, oldest first.
  template <typename T>
  std::vector<T> Of() const {
    std::lock_guard lock(mutex_);
    std::vector<T> found;
    for (const job::Event& event : events_) {
      if (const T* value = std::get_if<T>(&event)) found.push_back(*value);
    }
    return found;
  }
  std::vector<job::ItemResult> results() const { return Of<job::ItemResult>(); }
  // The reasons of the item results that did not end erased, oldest first.
  std::vector<job::Reason> FailureReasons() const {
    std::vector<job::Reason> reasons;
    for (const job::ItemResult& r : results()) {
      if (r.outcome != job::Outcome::kErased) reasons.push_back(r.reason);
    }
    return reasons;
  }
  // Reason and path of every item that did not end erased, oldest first.
  std::vector<std::pair<job::Reason, std::string>> Failures() const {
    std::vector<std::pair<job::Reason, std::string>> failures;
    for (const job::ItemResult& r : results()) {
      if (r.outcome != job::Outcome::kErased) failures.emplace_back(r.reason, r.path);
    }
    return failures;
  }
  std::vector<job::Reason> NoticeReasons() const {
    std::vector<job::Reason> reasons;
    for (const job::Notice& n : Of<job::Notice>()) reasons.push_back(n.reason);
    return reasons;
  }
  // The one result for path; nothing when there is none, and a failed
  // expectation shows when there are several.
  std::optional<job::ItemResult> ResultFor(const std::string& path) const {
    std::optional<job::ItemResult> found;
    int count = 0;
    for (const job::ItemResult& r : results()) {
      if (r.path == path) {
        found = r;
        ++count;
      }
    }
    return count == 1 ? found : std::nullopt;
  }

 private:
  const ui::Front front_;
  mutable std::mutex mutex_;
  std::vector<job::Event> events_;
  RecordingPort port_;
};

}  // namespace tarnwell::testing
