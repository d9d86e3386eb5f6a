// A WindowView for tests of the window logic: records what the logic draws
// and answers menus, questions and the folder chooser from a script, so no
// toolkit is needed. UI thread only, like a real view.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/window_view.h"
#include "ui/worker_port.h"

namespace tarnwell::testing {

class RecordingView final : public ui::WindowView {
 public:
  struct Menu {
    ui::Control below;
    std::vector<ui::MenuEntry> entries;
  };
  struct Box {
    std::string caption;
    std::string text;
  };

  // The script: each menu takes the next answer (-1, dismissed, when none is
  // left); each question gets yes; each folder request gets folder, each
  // file request files. while_open runs while a menu or question is open.
  std::deque<int> menu_answers;
  bool yes = false;
  std::optional<std::string> folder;
  std::vector<std::string> files;
  std::function<void()> while_open = [] {};

  // The record.
  std::map<ui::Control, std::string> texts;
  std::map<ui::Control, bool> enabled;
  std::vector<std::string> messages;  // newest first, as the list shows them
  std::string status;
  std::string title;
  std::vector<int> row_changes;
  std::vector<std::string> column_titles;
  int texts_changed = 0;
  std::vector<Menu> menus;
  std::vector<Box> questions;
  std::vector<Box> shown;
  std::vector<std::string> urls;
  std::vector<std::string> opened_folders;
  std::vector<int> closed;
  int folder_requests = 0;
  std::vector<std::string> chooser_starts;  // where each chooser opened
  std::vector<double> progress;

  void SetControlText(ui::Control control, std::string_view text) override {
    texts[control] = std::string(text);
  }
  void EnableControl(ui::Control control, bool on) override { enabled[control] = on; }
  void InsertMessage(std::string_view text, core::MessageIcon) override {
    messages.insert(messages.begin(), std::string(text));
  }
  void ClearMessages() override { messages.clear(); }
  void SetStatusText(std::string_view text) override { status = text; }
  void SetTitle(std::string_view text) override { title = text; }
  void ItemRowsChanged(int row_count) override { row_changes.push_back(row_count); }
  void SetColumnTitles(std::string_view path, std::string_view size,
                       std::string_view messages_title) override {
    column_titles = {std::string(path), std::string(size), std::string(messages_title)};
  }
  void TextsChanged() override { ++texts_changed; }
  void SetProgress(double percent) override { progress.push_back(percent); }
  int RunMenu(ui::Control below, const std::vector<ui::MenuEntry>& entries) override {
    menus.push_back({below, entries});
    while_open();
    if (menu_answers.empty()) return -1;
    const int answer = menu_answers.front();
    menu_answers.pop_front();
    return answer;
  }
  bool AskToStop(std::string_view caption, std::string_view text) override {
    questions.push_back({std::string(caption), std::string(text)});
    while_open();
    return yes;
  }
  void ShowText(std::string_view caption, std::string_view text) override {
    shown.push_back({std::string(caption), std::string(text)});
  }
  std::optional<std::string> ChooseFolder(std::string_view start) override {
    ++folder_requests;
    chooser_starts.emplace_back(start);
    return folder;
  }
  std::vector<std::string> ChooseFiles(std::string_view start) override {
    chooser_starts.emplace_back(start);
    return files;
  }
  void OpenUrl(std::string_view url) override { urls.emplace_back(url); }
  void OpenFolder(std::string_view path) override { opened_folders.emplace_back(path); }
  void Close(int result) override { closed.push_back(result); }

  // True when every control a worker blocks is enabled (on) or disabled.
  bool BusyControlsAre(bool on) const {
    for (ui::Control control : ui::kBusyControls) {
      auto it = enabled.find(control);
      if (it == enabled.end() || it->second != on) return false;
    }
    return true;
  }
};

// A worker port for tests that run workers on the test thread: calls go
// straight to the window's side until Detach.
class DirectPort final : public ui::WorkerPort {
 public:
  using WorkerPort::WorkerPort;

 private:
  void RunOnUiThread(const std::function<void()>& call) override { call(); }
};

// A worker port for workers on threads of their own: a worker's call waits
// until the test thread, standing for the UI thread, runs it in Pump(), as a
// window runs them in its event loop (also while a box is open).
class QueuedPort final : public ui::WorkerPort {
 public:
  explicit QueuedPort(core::WindowPort& ui_side)
      : WorkerPort(ui_side), ui_thread_(std::this_thread::get_id()) {}

  // UI thread: runs every call waiting now (dropped once detached).
  void Pump() {
    std::unique_lock lock(mutex_);
    while (!pending_.empty()) {
      Call* call = pending_.front();
      pending_.pop_front();
      lock.unlock();
      if (!detached()) (*call->work)();
      lock.lock();
      call->done = true;
      done_.notify_all();
    }
  }

 private:
  struct Call {
    const std::function<void()>* work;
    bool done = false;
  };
  void RunOnUiThread(const std::function<void()>& work) override {
    if (std::this_thread::get_id() == ui_thread_) return work();
    Call call{&work};
    std::unique_lock lock(mutex_);
    pending_.push_back(&call);
    done_.wait(lock, [&call] { return call.done; });
  }

  std::thread::id ui_thread_;
  std::mutex mutex_;
  std::condition_variable done_;
  std::deque<Call*> pending_;
};

}  // namespace tarnwell::testing
