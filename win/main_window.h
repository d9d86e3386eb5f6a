// The program's one window on Windows: a dialog from the resource template
// with the tool strips, the item list, the message list and the status bar
// created at set-up. It only draws, forwards events to ui::WindowLogic and
// runs its menus and boxes; what a command does is the logic's.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/window_logic.h"
#include "ui/window_view.h"
#include "ui/worker_slot.h"
#include "win/item_list_view.h"
#include "win/message_list.h"
#include "win/tool_strip.h"
#include "win/windows_ui.h"

namespace tarnwell::platform {
class Env;
}
namespace tarnwell::settings {
class SettingsStore;
}

namespace tarnwell::win {

// The dialog item or button id of a control.
int ControlId(ui::Control control);

class MainWindow final : public ui::WindowView {
 public:
  // env and settings must outlive the window.
  MainWindow(platform::Env& env, settings::SettingsStore& settings);
  ~MainWindow() override;

  // Creates and shows the window, lists argument_paths (each one path), then
  // handles the window's messages until it closes. False when the window
  // could not be created.
  bool Run(const std::vector<std::string>& argument_paths);

  // After Run: cuts the worker off from the window, stops a running fill and
  // waits a bounded time for the worker to end. False when a worker still
  // runs; the process must then end without destroying what it uses.
  bool EndRun();

  // ui::WindowView, UI thread only.
  void SetControlText(ui::Control control, std::string_view text) override;
  void EnableControl(ui::Control control, bool enabled) override;
  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void ClearMessages() override;
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view text) override;
  void ItemRowsChanged(int row_count) override;
  void SetColumnTitles(std::string_view path, std::string_view size,
                       std::string_view messages) override;
  void TextsChanged() override;
  void SetProgress(double percent) override;
  int RunMenu(ui::Control below, const std::vector<ui::MenuEntry>& entries) override;
  bool AskToStop(std::string_view caption, std::string_view text) override;
  void ShowText(std::string_view caption, std::string_view text) override;
  std::optional<std::string> ChooseFolder(std::string_view start) override;
  std::vector<std::string> ChooseFiles(std::string_view start) override;
  void OpenUrl(std::string_view url) override;
  void OpenFolder(std::string_view folder) override;
  void Close(int result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  INT_PTR HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void SetUp();
  void CreateBars();
  void SetTabOrder();
  // Names, descriptions and tool tips (with the shortcut) for every control.
  void SetAccessibleTexts();
  void LayoutControls();
  // Client size below which a control or a text would not show whole.
  SIZE MinimumClientSize();
  void GrowToMinimum();
  // Pixels of the instruction text below its template height at text_width.
  int InstructionGrowth(int text_width);
  RECT TemplateRect(int left, int top, int width, int height) const;
  int Scaled(int pixels) const;
  // The button of a control id (any strip), or null.
  HWND Button(int id) const;
  ToolStrip* StripOf(int id) const;
  void OnCommand(int id, bool from_key);
  void HandleDrop(HDROP drop);
  // The item list's context menu, from the mouse (at, screen position) or
  // the keyboard (at -1, -1: below the focused row).
  void ShowItemMenu(POINT at);

  platform::Env& env_;
  settings::SettingsStore& settings_;
  ui::WorkerSlot worker_;
  std::unique_ptr<ui::WindowLogic> logic_;
  bool closed_ = false;
  // A language menu entry posted as a command: the next language menu
  // answers it without showing itself.
  std::optional<int> posted_language_entry_;

  HWND window_ = nullptr;
  HWND status_bar_ = nullptr;
  HWND tips_ = nullptr;
  HACCEL keys_ = nullptr;
  std::unique_ptr<ItemListView> item_view_;
  std::unique_ptr<MessageList> messages_;
  std::unique_ptr<ToolStrip> fill_strip_;
  std::unique_ptr<ToolStrip> app_strip_;
  std::unique_ptr<ToolStrip> action_strip_;
  std::unique_ptr<ToolStrip> link_strip_;
  // Where the item list's context menu opens.
  POINT item_menu_at_{};
  // The taskbar button's progress and the annotations screen readers read;
  // null where the system has none.
  ITaskbarList3* taskbar_ = nullptr;
  IAccPropServices* annotations_ = nullptr;
};

}  // namespace tarnwell::win
