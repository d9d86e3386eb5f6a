// The window's behaviour without a toolkit: what every command does in every
// state, the jobs it starts on the worker, the menus and the settings they
// change, the texts of every control. A view (app/ for Qt, win/ for Win32)
// draws and forwards its events here; the logic answers through WindowView.
//
// UI thread only, except port(), which workers use from theirs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/run_state.h"
#include "core/window_port.h"
#include "text/text_ids.h"
#include "ui/event_texts.h"
#include "ui/window_view.h"
#include "ui/worker_port.h"
#include "ui/worker_slot.h"

namespace tarnwell::platform {
class Env;
}
namespace tarnwell::settings {
class SettingsStore;
}
namespace tarnwell::items {
class ItemList;
}

namespace tarnwell::ui {

// The window's commands: a button, its keyboard shortcut, Escape and the
// close box (kCancel) all end in WindowLogic::Run.
enum class Command {
  kCancel,
  kDelete,
  kDeleteExit,
  kReset,
  kOverwrite,
  kDelay,
  kLanguage,
  kHelp,
  kFill,
  kWebLink,
  kImport,
  kAddFiles,
};

// What the logic uses but does not own; all must outlive it.
struct WindowServices {
  platform::Env& env;
  settings::SettingsStore& settings;
  WorkerSlot& worker;
};

class WindowLogic final : public core::WindowPort {
 public:
  // The window's result when Cancel closed it.
  static constexpr int kCancelResult = 2;
  // How long EndRun waits for a fill to delete its temporary files, and for
  // any other worker (an erase job goes on until the process ends, as a
  // second Cancel means).
  static constexpr int kFillCleanupWaitMs = 30000;
  static constexpr int kWorkerWaitMs = 1500;

  // Reads and normalises the time mode setting and makes the worker port
  // with make_port (over this logic). Calls nothing on view yet, so a view
  // may construct the logic before its controls (it needs items() for its
  // list); it then calls ApplyLanguageTexts() and AddStartPaths().
  WindowLogic(WindowServices services, WindowView& view, const WorkerPortFactory& make_port);
  // REQUIRES: EndRun() returned true (no worker can reach the window).
  ~WindowLogic() override;
  WindowLogic(const WindowLogic&) = delete;
  WindowLogic& operator=(const WindowLogic&) = delete;

  // Cleans up after fills that were killed, warns about each path that names
  // nothing (an empty one too), and lists argument_paths (the command line,
  // each argument one path, exactly as given).
  void AddStartPaths(const std::vector<std::string>& argument_paths);
  // The Import menu's "Erase the trash": lists every entry of the user's
  // trashes on the worker, as an import does (a file manager's action on the
  // trash starts the window with it).
  void StartTrashImport();

  // Carries out a command as its button would. Commands of disabled controls
  // are the view's to hold back; Cancel always comes here.
  void Run(Command command);

  // Lists dropped paths (native, local files only), then refreshes the list once.
  void DropPaths(const std::vector<std::string>& paths);

  // Del or Backspace in the item list: takes rows (the view's selection, in
  // row numbers of the last refresh) out of the list; no file is touched.
  // Does nothing while a worker runs, as Reset is disabled then.
  void RemoveRows(const std::vector<int>& rows);
  // The item list's context menu for rows (the selection): "Remove from
  // list" as RemoveRows, "Open containing folder" for the first row.
  void ShowItemMenu(const std::vector<int>& rows);

  // Labels every control in the current language and clears the messages
  // down to the three legend rows; ends with view.TextsChanged().
  void ApplyLanguageTexts();

  // After the window has closed: cuts the worker off from the window, stops a
  // running fill and waits a bounded time for the worker to end (timeout_ms,
  // or the waits above when negative), calling pump_events (process the
  // toolkit's events and pause a few milliseconds) meanwhile. False when a
  // worker still runs; the process must then end without destroying the
  // window, the logic or what the worker uses.
  bool EndRun(int timeout_ms, const std::function<void()>& pump_events);

  // The window interface for any thread (the worker port).
  core::WindowPort& port() { return *port_; }
  core::RunState& run_state() { return run_state_; }
  items::ItemList& items() { return *items_; }
  int time_mode() const { return time_mode_; }

  // core::WindowPort on the UI thread: forwarded to the view. SetBusy
  // enables or disables kBusyControls; SendCancel is Run(kCancel).
  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view text) override;
  void SetInstructionText(std::string_view text) override;
  void SetBusy(bool busy) override;
  // Relabels the overwrite and delay buttons from the settings, stores the
  // clamped delay in the run state and returns the delay label.
  std::string UpdateOptionLabels();
  void ItemRowsChanged(int row_count) override;
  void SendCancel() override;
  void SetProgress(double percent) override;

 private:
  // Every menu and box of the window goes through these: while one is open
  // the erase's countdown stands still.
  int RunMenu(Control below, const std::vector<MenuEntry>& entries);
  std::optional<std::string> ChooseFolder();
  // Where the choosers open: the last folder used, else the home folder.
  const std::string& ChooserStart();
  void AddFiles();
  void Cancel();
  void StartErase(bool exit_after);
  void ShowOverwriteMenu();
  void ShowDelayMenu();
  void ShowLanguageMenu();
  void ShowHelp();
  void ShowFillMenu();
  void StartFill(bool records);
  void OpenWebLink();
  void ShowImportMenu();
  void StartImport(const std::string& folder);
  // Starts work on the worker slot; a failure becomes an error row and the
  // controls are enabled again.
  bool StartWorker(std::function<void()> work);
  bool AskToStop(text::TextId text_id);

  WindowServices services_;
  WindowView& view_;
  core::RunState run_state_;
  std::unique_ptr<items::ItemList> items_;
  std::unique_ptr<WorkerPort> port_;
  // The jobs' events, shown through port_.
  std::unique_ptr<PortEvents> events_;
  int time_mode_ = 0;
  bool fill_started_ = false;  // the worker, if any, is the free-space fill
  std::string last_folder_;    // the choosers' last folder
};

}  // namespace tarnwell::ui
