// A WindowView for tests of the window logic: records what the logic draws
// and answers menus, questions and the folder chooser from a script, so no
// toolkit is needed. UI thread only, like a real view.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
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
  // left); each question gets yes; each folder request gets folder.
  std::deque<int> menu_answers;
  bool yes = false;
  std::optional<std::string> folder;

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
  std::vector<int> closed;
  int folder_requests = 0;

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
  int RunMenu(ui::Control below, const std::vector<ui::MenuEntry>& entries) override {
    menus.push_back({below, entries});
    if (menu_answers.empty()) return -1;
    const int answer = menu_answers.front();
    menu_answers.pop_front();
    return answer;
  }
  bool AskYesNo(std::string_view caption, std::string_view text) override {
    questions.push_back({std::string(caption), std::string(text)});
    return yes;
  }
  void ShowText(std::string_view caption, std::string_view text) override {
    shown.push_back({std::string(caption), std::string(text)});
  }
  std::optional<std::string> ChooseFolder() override {
    ++folder_requests;
    return folder;
  }
  void OpenUrl(std::string_view url) override { urls.emplace_back(url); }
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

}  // namespace tarnwell::testing
