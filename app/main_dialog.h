// The program's one window: header strip, instructions, action buttons, item
// list, message list and status bar. It draws and forwards: what a command
// does, the menus' entries and every control's text come from the window
// logic (ui::WindowLogic), which reaches the widgets through ui::WindowView.
#pragma once

#include <QDialog>
#include <QPalette>
#include <QPoint>
#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/worker_slot.h"
#include "core/run_state.h"
#include "core/window_port.h"
#include "ui/window_logic.h"
#include "ui/window_view.h"

class QGroupBox;
class QLabel;
class QStatusBar;
class QToolButton;

namespace tarnwell::app {

class ItemListModel;
class ItemListView;
class MenuRunner;
class MessageList;
class ToolStrip;

// What the window uses but does not own; all must outlive it.
struct DialogServices {
  platform::Env& env;
  settings::SettingsStore& settings;
  MenuRunner& runner;
  WorkerSlot& worker;
};

// Control and command ids; each control's object name is its id.
namespace ids {
inline constexpr char kItemList[] = "IDC_ITEMLIST";
inline constexpr char kMessages[] = "IDC_MESSAGES";
inline constexpr char kGroup[] = "IDC_GROUP";
inline constexpr char kInstructions[] = "IDC_INSTRUCTIONS";
inline constexpr char kIcon[] = "IDC_ICON";
inline constexpr char kDelete[] = "IDC_DELETE";
inline constexpr char kDeleteExit[] = "IDC_DELETE_EXIT";
inline constexpr char kReset[] = "IDC_RESET";
inline constexpr char kOverwrite[] = "IDC_OVERWRITE";
inline constexpr char kDelay[] = "IDC_DELAY";
inline constexpr char kImport[] = "IDC_IMPORT";
inline constexpr char kAddFiles[] = "IDC_ADD_FILES";
inline constexpr char kLanguage[] = "IDC_LANGUAGE";
inline constexpr char kHelp[] = "ID_HELP_TEXT";
inline constexpr char kCancel[] = "IDCANCEL";
inline constexpr char kFill[] = "ID_FILL_FREE_SPACE";
inline constexpr char kWebLink[] = "IDC_WEB_LINK";
inline constexpr char kHeaderBand[] = "HeaderBand";
inline constexpr char kFillToolbar[] = "FillToolbar";
inline constexpr char kAppToolbar[] = "AppToolbar";
inline constexpr char kActionToolbar[] = "ActionToolbar";
inline constexpr char kStatusBar[] = "StatusBar";
inline constexpr char kLinkToolbar[] = "LinkToolbar";
}  // namespace ids

class MainDialog final : public QDialog, public ui::WindowView {
  Q_OBJECT

 public:
  // Result of a window closed by Cancel.
  static constexpr int kCancelResult = ui::WindowLogic::kCancelResult;

  // Builds and labels every control, then adds argument_paths (the command
  // line, each argument one path) to the item list and refreshes it.
  MainDialog(DialogServices services, const std::vector<std::string>& argument_paths,
             QWidget* parent = nullptr);
  // REQUIRES: EndRun() returned true (no worker can reach the window).
  ~MainDialog() override;

  // How long the end of the run waits for a fill to delete its temporary
  // files, and for any other worker (an erase job goes on until the process
  // ends, as a second Cancel means).
  static constexpr int kFillCleanupWaitMs = ui::WindowLogic::kFillCleanupWaitMs;
  static constexpr int kWorkerWaitMs = ui::WindowLogic::kWorkerWaitMs;

  // After the window has closed: cuts the worker off from the window, stops a
  // running fill and waits a bounded time (processing events) for the worker
  // to end (timeout_ms, or the waits above when negative). False when a
  // worker still runs; the process must then end without destroying the
  // window or what the worker uses.
  bool EndRun(int timeout_ms = -1);

  // Runs a command as its button, key or the close box would (id as in ids).
  void RunCommand(const QString& id);

  // Labels every control in the current language and clears the messages down
  // to the three legend rows.
  void ApplyLanguageTexts();
  // Places the controls for a client area of width x height pixels.
  void LayoutControls(int width, int height);

  // The window's side of core::WindowPort, UI thread only; workers use port().
  void SetBusy(bool busy) { logic_->SetBusy(busy); }
  std::string UpdateOptionLabels() { return logic_->UpdateOptionLabels(); }

  // ui::WindowView, called by the logic.
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

  // The window interface for any thread.
  core::WindowPort& port() { return logic_->port(); }
  // Lists the user's trashes, as the Import menu's "Erase the trash" does.
  void StartTrashImport() { logic_->StartTrashImport(); }
  core::RunState& run_state() { return logic_->run_state(); }
  items::ItemList& items() { return logic_->items(); }
  int time_mode() const { return logic_->time_mode(); }
  // The first client size, from the template's dialog units.
  QSize TemplateClientSize() const;
  // The smallest client size at which every control and every text of the
  // current language shows whole; the window never gets smaller.
  QSize MinimumClientSize() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 public slots:
  // Enter and Escape reach QDialog's slots; both become window commands.
  void accept() override {}
  void reject() override { logic_->Run(ui::Command::kCancel); }

 private:
  void CreateControls();
  void CreateShortcuts();
  void SetTabOrder();
  // Names and descriptions for screen readers, in the current language.
  void ApplyAccessibleTexts();
  // Raises the minimum size (and the window with it) to fit the texts.
  void UpdateMinimumSize();
  // Where the action strip goes: below the group box, which grows when the
  // instruction text needs more lines than the template gives it at width.
  int GroupBottom(int width, int* group_height) const;
  void SetDropHighlight(bool on);
  ToolStrip* MakeStrip(QWidget* parent, const char* name);
  QToolButton* Button(const char* id) const;
  QRect TemplateRect(int left, int top, int width, int height) const;

  // The button that shows control (null for the texts that are no button).
  QToolButton* Button(ui::Control control) const;

  DialogServices services_;
  std::unique_ptr<ui::WindowLogic> logic_;
  bool closing_ = false;
  QPalette list_palette_;

  ItemListModel* model_ = nullptr;
  QWidget* header_band_ = nullptr;
  ToolStrip* fill_toolbar_ = nullptr;
  ToolStrip* app_toolbar_ = nullptr;
  ToolStrip* action_toolbar_ = nullptr;
  ToolStrip* link_toolbar_ = nullptr;
  QStatusBar* status_bar_ = nullptr;
  QGroupBox* group_ = nullptr;
  QLabel* instructions_ = nullptr;
  QLabel* icon_ = nullptr;
  ItemListView* item_view_ = nullptr;
  MessageList* messages_ = nullptr;
  // Where the item list's context menu opens.
  QPoint item_menu_at_;
};

}  // namespace tarnwell::app
