// The program's one window on Windows: a dialog from the resource template
// with the tool strips, the item list, the message list and the status bar
// created at set-up. It draws, forwards events and runs menus and boxes; the
// lists, texts, settings and jobs live in their own layers and reach the
// window through core::WindowPort.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "core/window_port.h"
#include "win/item_list_view.h"
#include "win/message_list.h"
#include "win/tool_strip.h"
#include "win/win_window_port.h"
#include "win/windows_ui.h"
#include "win/worker_slot.h"

namespace tarnwell::platform {
class Env;
}
namespace tarnwell::settings {
class SettingsStore;
}
namespace tarnwell::items {
class ItemList;
}

namespace tarnwell::win {

class MainWindow final : public core::WindowPort {
 public:
  // env and settings must outlive the window.
  MainWindow(platform::Env& env, settings::SettingsStore& settings);
  ~MainWindow() override;

  // Creates and shows the window, adds argument_paths (each one path) to the
  // item list; then runs the window's messages until it closes. Returns the
  // process exit code (0), or -1 when the window could not be created.
  int Run(const std::vector<std::string>& argument_paths);

  // After Run: cuts the worker off from the window, stops a running fill
  // and waits a bounded time for the worker to end. False when a worker still
  // runs; the process must then end without destroying what it uses.
  bool EndRun();

  // core::WindowPort, UI thread only; workers get port_.
  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view text) override;
  void SetInstructionText(std::string_view text) override;
  void SetBusy(bool busy) override;
  std::string UpdateOptionLabels() override;
  void ItemRowsChanged(int row_count) override;
  void SendCancel() override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void SetUp();
  void CreateBars();
  void SetTabOrder();
  void SetAccessibleNames();
  void ApplyLanguageTexts();
  void LayoutControls(int width, int height);
  // Client size below which a control or a text would not show whole.
  SIZE MinimumClientSize();
  void GrowToMinimum();
  // Pixels of the instruction text below its template height at text_width.
  int InstructionGrowth(int text_width);
  RECT TemplateRect(int left, int top, int width, int height) const;
  int Scaled(int pixels) const;
  void SetControlText(int id, std::string_view utf8);
  bool CommandEnabled(int id) const;
  void RunCommand(int id);
  void HandleDrop(HDROP drop);
  // Shows entries as a popup below the button id (held down while open);
  // returns the chosen entry's command, 0 when dismissed.
  struct MenuEntry {
    std::string text;  // empty: a separator
    int command = 0;
    bool checked = false;
    bool enabled = true;
  };
  int RunButtonMenu(int button_id, const std::vector<MenuEntry>& entries);
  bool AskYesNo(std::string_view caption, std::string_view text);
  // The chosen folder (logic form), or empty when none was chosen.
  std::string ChooseFolder();

  // Commands.
  void Cancel();
  void StartErase(bool exit_after);
  void ShowOverwriteMenu();
  void ShowDelayMenu();
  void ShowLanguageMenu();
  void ChooseLanguageEntry(int command);
  void ShowHelp();
  void StartFill();
  void OpenWebLink();
  void ShowImportMenu();
  bool StartWorker(std::function<void()> work);

  platform::Env& env_;
  settings::SettingsStore& settings_;
  core::RunState run_state_;
  std::unique_ptr<items::ItemList> items_;
  WorkerSlot worker_;
  bool fill_started_ = false;
  bool closed_ = false;
  int time_mode_ = 0;

  HWND window_ = nullptr;
  HWND status_bar_ = nullptr;
  HACCEL keys_ = nullptr;
  HFONT font_ = nullptr;
  std::unique_ptr<WinWindowPort> port_;
  std::unique_ptr<ItemListView> item_view_;
  std::unique_ptr<MessageList> messages_;
  std::unique_ptr<ToolStrip> fill_strip_;
  std::unique_ptr<ToolStrip> app_strip_;
  std::unique_ptr<ToolStrip> action_strip_;
  std::unique_ptr<ToolStrip> link_strip_;
};

}  // namespace tarnwell::win
