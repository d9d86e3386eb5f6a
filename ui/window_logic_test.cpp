// The window logic without a toolkit: every command in every state, the
// menus' entries and the settings they write, the language switch, drops and
// the end of the run, through a recording view.
#include "ui/window_logic.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "items/format_size.h"
#include "items/item_list.h"
#include "platform/env.h"
#include "platform/fault_env.h"
#include "settings/settings_store.h"
#include "tests/support/recording_view.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "traces/file_uri.h"
#include "traces/md5.h"
#include "ui/language_menu.h"
#include "ui/option_menus.h"
#include "ui/window_texts.h"

namespace tarnwell::ui {
namespace {

using testing::RecordingView;

// Keeps the work it is given (the test may run it on its own thread), or
// runs it on a real thread, or refuses it.
class TestSlot final : public WorkerSlot {
 public:
  enum class Mode { kKeep, kThread, kFail };
  Mode mode = Mode::kKeep;
  std::vector<std::function<void()>> kept;
  bool Start(std::function<void()> work) override {
    if (mode == Mode::kFail) return false;
    if (mode == Mode::kThread) return WorkerSlot::Start(std::move(work));
    kept.push_back(std::move(work));
    return true;
  }
};

void Pause() { std::this_thread::sleep_for(std::chrono::milliseconds(2)); }

// One window's logic over a fresh settings file.
struct Window {
  testing::TempDir dir;
  // Forwards to the real system unless a test fakes the desktop's stores.
  platform::FaultEnv env{platform::DefaultEnv()};
  settings::SettingsStore settings{platform::DefaultEnv(), dir / "tarnwell.ini"};
  TestSlot slot;
  RecordingView view;
  std::atomic<bool> release{false};
  std::unique_ptr<WindowLogic> logic;
  // Set before Open: workers run on threads and their calls wait for Pump.
  bool queued = false;
  testing::QueuedPort* queued_port = nullptr;

  Window() { text::SetCurrentLanguage(1); }
  ~Window() {
    release.store(true);
    if (logic) {
      EXPECT_TRUE(logic->EndRun(10000, [this] { Pump(); }));
    }
  }
  // The UI thread's turn: runs the workers' waiting calls, then pauses.
  void Pump() {
    if (queued_port != nullptr) queued_port->Pump();
    Pause();
  }
  // Pumps until done() holds or ten seconds passed; false then.
  template <typename Done>
  bool PumpUntil(Done done) {
    for (int i = 0; i < 5000 && !done(); ++i) Pump();
    return done();
  }
  void Set(std::string_view key, int value) {
    settings.WriteIntSetting(settings::kOptionsSection, key, value);
  }
  int Get(std::string_view key) const {
    return settings.ReadIntSetting(settings::kOptionsSection, key, -12345, -1, -1);
  }
  WindowLogic& Open() {
    logic = std::make_unique<WindowLogic>(
        WindowServices{env, settings, slot}, view,
        [this](core::WindowPort& ui_side) -> std::unique_ptr<WorkerPort> {
          if (!queued) return std::make_unique<testing::DirectPort>(ui_side);
          auto port = std::make_unique<testing::QueuedPort>(ui_side);
          queued_port = port.get();
          return port;
        });
    if (queued) slot.mode = TestSlot::Mode::kThread;
    logic->ApplyLanguageTexts();
    return *logic;
  }
  // A worker that runs until the window goes, as a folder import might.
  void MakeBusy() {
    slot.mode = TestSlot::Mode::kThread;
    ASSERT_TRUE(slot.Start([this] {
      while (!release.load()) Pause();
    }));
    slot.mode = TestSlot::Mode::kKeep;
  }
};

std::string Text(text::TextId id) { return text::LookupUtf8(id); }

TEST(WindowLogicTest, CancelInEveryState) {
  struct Case {
    const char* state;
    int fill, erasing, stop;
    bool busy, yes;
    std::optional<text::TextId> asks;  // the question's text, none for none
    bool closes;
    int fill_after, stop_after;
  };
  const Case cases[] = {
      {"nothing to stop", 0, 0, 1, false, false, {}, true, 0, 1},
      {"erase countdown", 0, 0, 0, false, false, {}, false, 0, 1},
      {"erasing, not stopped", 0, 1, 0, false, false, texts::kStopErase, false, 0, 0},
      {"erasing, stopped", 0, 1, 0, false, true, texts::kStopErase, false, 0, 1},
      {"erasing, stop asked", 0, 1, 1, false, true, {}, false, 0, 1},
      {"fill, not stopped", 1, 0, 1, false, false, texts::kStopFill, false, 1, 1},
      {"fill, stopped", 1, 0, 1, false, true, texts::kStopFill, false, 0, 1},
      // The end of the run then waits for the worker.
      {"import running", 0, 0, 1, true, false, {}, true, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Window window;
    WindowLogic& logic = window.Open();
    if (c.busy) window.MakeBusy();
    core::RunState& state = logic.run_state();
    state.fill_running.store(c.fill);
    state.erasing.store(c.erasing);
    state.stop_asked.store(c.stop != 0);
    state.erase_running.store(c.erasing != 0 || c.stop == 0);
    window.view.yes = c.yes;
    logic.Run(Command::kCancel);
    ASSERT_EQ(window.view.questions.size(), c.asks ? 1u : 0u);
    if (c.asks) {
      EXPECT_EQ(window.view.questions[0].caption, Text(texts::kStop));
      EXPECT_EQ(window.view.questions[0].text, Text(*c.asks));
    }
    EXPECT_EQ(window.view.closed,
              c.closes ? std::vector<int>{WindowLogic::kCancelResult} : std::vector<int>{});
    EXPECT_EQ(state.fill_running.load(), c.fill_after != 0);
    EXPECT_EQ(state.stop_asked.load(), c.stop_after != 0);
  }
  // The countdown's first Cancel only stops; the second, from a worker, closes.
  Window window;
  WindowLogic& logic = window.Open();
  logic.run_state().erase_running.store(true);
  logic.run_state().stop_asked.store(false);
  logic.Run(Command::kCancel);
  logic.port().SendCancel();
  EXPECT_EQ(window.view.closed.size(), 1u);
}

TEST(WindowLogicTest, JobsStartOnlyWhenTheWorkerIsFree) {
  for (Command command : {Command::kDelete, Command::kDeleteExit}) {
    Window window;
    WindowLogic& logic = window.Open();
    logic.Run(command);
    EXPECT_EQ(window.slot.kept.size(), 1u);
    EXPECT_TRUE(window.view.BusyControlsAre(false));
    EXPECT_EQ(logic.run_state().exit_after_erase.load(), command == Command::kDeleteExit);
  }
  {
    Window window;
    window.view.menu_answers = {kFillRun, kFillRun};
    window.Open().Run(Command::kFill);  // the chooser was cancelled
    EXPECT_EQ(window.view.folder_requests, 1);
    EXPECT_TRUE(window.slot.kept.empty());
    window.view.folder = window.dir.path();
    window.logic->Run(Command::kFill);
    EXPECT_EQ(window.slot.kept.size(), 1u);
    EXPECT_TRUE(window.view.BusyControlsAre(false));
  }
  {
    Window window;
    window.view.folder = window.dir.path();
    WindowLogic& logic = window.Open();
    window.MakeBusy();
    window.view.menu_answers = {kImportRun};
    for (Command command :
         {Command::kDelete, Command::kDeleteExit, Command::kFill, Command::kImport}) {
      logic.Run(command);
    }
    EXPECT_TRUE(window.slot.kept.empty());
    EXPECT_EQ(window.view.folder_requests, 1);  // the import's; the fill asks nothing
    EXPECT_TRUE(window.view.enabled.empty());
  }
  {
    // No thread to be had: say so and give the controls back.
    Window window;
    window.slot.mode = TestSlot::Mode::kFail;
    window.Open().Run(Command::kDelete);
    EXPECT_EQ(window.view.messages.front(),
              Text(texts::kError) + ": " + Text(texts::kWorkerNotStarted));
    EXPECT_TRUE(window.view.BusyControlsAre(true));
  }
}

TEST(WindowLogicTest, EraseJobReachesTheViewThroughThePort) {
  Window window;
  window.Set("del_delay", 0);
  const std::string file = window.dir.Write("a.txt", "secret");
  WindowLogic& logic = window.Open();
  logic.DropPaths({file});
  logic.Run(Command::kDelete);
  ASSERT_EQ(window.slot.kept.size(), 1u);
  window.slot.kept[0]();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(logic.items().RowCount(), 0);
  EXPECT_TRUE(window.view.BusyControlsAre(true));
  EXPECT_NE(window.view.status, Text(texts::kReady));
}

TEST(WindowLogicTest, AJobOutOfMemoryEndsInAnErrorRowWithTheFileKept) {
  Window window;
  window.Set("del_delay", 0);
  const std::string file = window.dir.Write("a.txt", "secret");
  WindowLogic& logic = window.Open();
  logic.DropPaths({file});
  window.env.fail_call = [](const std::string& operation,
                            const std::string&) -> std::optional<platform::Status> {
    if (operation == "OpenAt") throw std::bad_alloc();
    return std::nullopt;
  };
  logic.Run(Command::kDelete);
  ASSERT_EQ(window.slot.kept.size(), 1u);
  window.slot.kept[0]();
  window.env.fail_call = nullptr;
  const std::vector<std::string>& rows = window.view.messages;
  EXPECT_NE(
      std::find(rows.begin(), rows.end(), Text(texts::kError) + ": " + Text(texts::kOutOfMemory)),
      rows.end());
  std::ifstream kept(file);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "secret");
  // The window is free again: Cancel closes it instead of asking to stop.
  logic.Run(Command::kCancel);
  EXPECT_EQ(window.view.closed, std::vector<int>{WindowLogic::kCancelResult});
}

TEST(WindowLogicTest, OptionMenusShowAndWriteTheirSettings) {
  Window window;
  window.Set("re_write", 99);
  window.Set("del_delay", 10);
  WindowLogic& logic = window.Open();
  const auto format = [](text::TextId id, int value) {
    return text::FormatText(Text(id), {value});
  };
  EXPECT_EQ(window.view.texts[Control::kOverwrite], format(texts::kOverwriteFormat, 35));
  EXPECT_EQ(window.view.texts[Control::kDelay], format(texts::kDelayFormat, 10));

  window.view.menu_answers = {-1, 7};
  logic.Run(Command::kOverwrite);  // dismissed: nothing written
  EXPECT_EQ(window.Get("re_write"), 99);
  logic.Run(Command::kOverwrite);
  ASSERT_EQ(window.view.menus.size(), 2u);
  const std::vector<MenuEntry>& counts = window.view.menus[0].entries;
  EXPECT_EQ(window.view.menus[0].below, Control::kOverwrite);
  ASSERT_EQ(counts.size(), std::size(kOverwriteCounts));
  for (const MenuEntry& entry : counts) {
    EXPECT_EQ(entry.mark, MenuEntry::Mark::kRadio);
    EXPECT_EQ(entry.checked, entry.command == 35) << entry.text;
    EXPECT_EQ(entry.text, format(texts::kOverwriteFormat, entry.command));
  }
  EXPECT_EQ(window.Get("re_write"), 7);
  EXPECT_EQ(window.view.texts[Control::kOverwrite], format(texts::kOverwriteFormat, 7));

  window.view.menu_answers = {kDelayCommandBase + 3};
  logic.Run(Command::kDelay);
  const std::vector<MenuEntry>& delays = window.view.menus.back().entries;
  ASSERT_EQ(delays.size(), 10u);
  for (const MenuEntry& entry : delays) EXPECT_FALSE(entry.checked);  // 10 is no entry
  EXPECT_EQ(window.Get("del_delay"), 3);
  EXPECT_EQ(logic.run_state().delete_delay_seconds.load(), 3);
  EXPECT_EQ(window.view.texts[Control::kDelay], format(texts::kDelayFormat, 3));
  logic.Run(Command::kDelay);
  EXPECT_TRUE(window.view.menus.back().entries[3].checked);
}

TEST(WindowLogicTest, FillMenuKeepsTheRecordPassChoice) {
  Window window;
  WindowLogic& logic = window.Open();
  window.view.menu_answers = {kFillRecords, -1, kFillRecords};
  for (int i = 0; i < 3; ++i) logic.Run(Command::kFill);
  ASSERT_EQ(window.view.menus.size(), 3u);
  const std::vector<MenuEntry>& first = window.view.menus[0].entries;
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[0].command, kFillRun);
  EXPECT_EQ(first[2].mark, MenuEntry::Mark::kCheck);
  EXPECT_FALSE(first[2].checked);  // off when missing
  EXPECT_TRUE(window.view.menus[1].entries[2].checked);
  EXPECT_EQ(window.Get(kFillRecordsKey), 0);
  EXPECT_EQ(window.view.folder_requests, 0);
}

TEST(WindowLogicTest, ImportMenuGreysRunAndFlipsItsChecks) {
  Window window;
  window.Set(kImportFilesKey, 0);
  window.Set(kImportFoldersKey, 0);
  window.view.folder = window.dir.path();
  WindowLogic& logic = window.Open();
  window.view.menu_answers = {kImportFiles, kImportRun};
  logic.Run(Command::kImport);
  const std::vector<MenuEntry>& greyed = window.view.menus[0].entries;
  ASSERT_EQ(greyed.size(), 8u);
  EXPECT_FALSE(greyed[0].enabled);
  EXPECT_TRUE(greyed[1].enabled);  // the trash is listed whatever the checks say
  EXPECT_TRUE(greyed[2].separator);
  EXPECT_EQ(greyed[3].mark, MenuEntry::Mark::kCheck);
  EXPECT_TRUE(greyed[3].checked);  // subfolders, on when missing
  EXPECT_FALSE(greyed[4].checked);
  EXPECT_TRUE(greyed[7].checked);  // traces, on when missing
  EXPECT_EQ(window.Get(kImportFilesKey), 1);
  EXPECT_EQ(window.view.folder_requests, 0);

  window.dir.Write("in/one.txt", "1");
  window.dir.Write("in/sub/two.txt", "2");
  window.view.folder = window.dir / "in";
  logic.Run(Command::kImport);
  EXPECT_TRUE(window.view.menus[1].entries[0].enabled);
  EXPECT_TRUE(window.view.menus[1].entries[4].checked);
  ASSERT_EQ(window.slot.kept.size(), 1u);
  window.slot.kept[0]();
  EXPECT_EQ(logic.items().RowCount(), 2);
  EXPECT_TRUE(window.view.BusyControlsAre(true));
}

TEST(WindowLogicTest, EraseTheTrashListsItAndTheTracesCheckBoxKeepsTraces) {
  Window window;
  const std::string home = window.dir.MakeDir("home");
  platform::DesktopStores stores;
  stores.home = home;
  stores.cache_home = home + "/.cache";
  stores.data_home = home + "/.local/share";
  stores.owner = window.env.Describe(home)->owner;
  window.env.user_stores = stores;
  window.env.mounts = std::vector<platform::MountInfo>{};
  const std::string trashed = window.dir.Write("home/.local/share/Trash/files/x.txt", "x");
  window.dir.Write("home/.local/share/Trash/info/x.txt.trashinfo", "[Trash Info]\nPath=/x\n");
  const std::string thumbnail = window.dir.Write(
      "home/.cache/thumbnails/normal/" + traces::Md5Hex(traces::FileUri(trashed)) + ".png", "");
  window.Set("del_delay", 0);
  WindowLogic& logic = window.Open();

  window.view.menu_answers = {kEraseTrash, kEraseTraces};
  logic.Run(Command::kImport);
  ASSERT_EQ(window.slot.kept.size(), 1u);
  window.slot.kept[0]();
  EXPECT_EQ(logic.items().RowCount(), 2);
  logic.Run(Command::kImport);  // the traces' check box, off now
  EXPECT_EQ(window.Get(kEraseTracesKey), 0);

  logic.Run(Command::kDelete);
  ASSERT_EQ(window.slot.kept.size(), 2u);
  window.slot.kept[1]();
  EXPECT_FALSE(std::filesystem::exists(trashed));
  EXPECT_TRUE(std::filesystem::exists(thumbnail));
  for (const std::string& message : window.view.messages) {
    EXPECT_EQ(message.find("Traces of erased items"), std::string::npos);
  }
}

TEST(WindowLogicTest, LanguageSwitchRelabelsEveryControl) {
  Window window;
  WindowLogic& logic = window.Open();
  const std::string english_delete = window.view.texts[Control::kDelete];
  logic.InsertMessage("an old row", core::MessageIcon::kError);
  const int changes = window.view.texts_changed;

  logic.Run(Command::kLanguage);  // dismissed
  const std::vector<MenuEntry>& entries = window.view.menus[0].entries;
  for (const MenuEntry& entry : entries) {
    if (entry.command == ui::kFirstLanguageCommand + 1) {
      EXPECT_FALSE(entry.enabled);
    }
  }
  ASSERT_GE(entries.size(), 2u);
  EXPECT_TRUE(entries[entries.size() - 2].separator);
  EXPECT_EQ(entries.back().command, ui::kTranslateCommand);
  EXPECT_EQ(window.view.messages.size(), 4u);

  window.view.menu_answers = {ui::kFirstLanguageCommand};  // German
  logic.Run(Command::kLanguage);
  EXPECT_EQ(text::CurrentLanguage(), 0);
  EXPECT_EQ(window.settings.ReadProgramSetting("lng", -1), 0);
  EXPECT_NE(window.view.texts[Control::kDelete], english_delete);
  EXPECT_EQ(window.view.texts[Control::kDelete], Text(texts::kDelete));
  EXPECT_EQ(window.view.texts[Control::kGroup], Text(texts::kGroup));
  EXPECT_EQ(window.view.messages,
            (std::vector<std::string>{Text(texts::kLegendWarning), Text(texts::kLegendError),
                                      Text(texts::kLegendInfo)}));
  EXPECT_EQ(window.view.column_titles[0], Text(texts::kPath));
  EXPECT_GT(window.view.texts_changed, changes);
  logic.Run(Command::kWebLink);
  EXPECT_EQ(window.view.urls.back(), text::AboutUtf8(texts::kAboutUrlGerman));
  text::SetCurrentLanguage(1);
}

TEST(WindowLogicTest, HelpLinkResetAndDrops) {
  Window window;
  const std::string a = window.dir.Write("a.txt", "1");
  const std::string b = window.dir.Write("d/b.txt", "22");
  const std::string missing = window.dir / "gone.txt";
  ::setenv("TARNWELL_STATE_DIR", (window.dir / "state").c_str(), 1);
  WindowLogic& logic = window.Open();
  logic.AddStartPaths({a, missing});
  EXPECT_EQ(window.view.messages.front(), text::FormatText(Text(texts::kNotAdded), {missing}));
  EXPECT_EQ(logic.items().RowCount(), 1);

  const size_t refreshes = window.view.row_changes.size();
  logic.DropPaths({window.dir / "d", missing});
  EXPECT_EQ(window.view.row_changes.size(), refreshes + 1);  // one refresh per drop
  EXPECT_EQ(logic.items().RowCount(), 3);                    // a, the folder d and d/b

  logic.Run(Command::kReset);
  EXPECT_EQ(logic.items().RowCount(), 0);
  EXPECT_TRUE(std::filesystem::exists(b));

  logic.Run(Command::kHelp);
  ASSERT_EQ(window.view.shown.size(), 1u);
  EXPECT_EQ(window.view.shown[0].caption, Text(texts::kHelpCaption));
  for (const auto& [title, body] : texts::kHelpPairs) {
    EXPECT_NE(window.view.shown[0].text.find(Text(title) + "\n" + Text(body)), std::string::npos)
        << Text(title);
  }
  logic.Run(Command::kWebLink);
  EXPECT_EQ(window.view.urls, std::vector<std::string>{text::AboutUtf8(texts::kAboutUrlOther)});
  ::unsetenv("TARNWELL_STATE_DIR");
}

TEST(WindowLogicTest, EndRunCutsOffTheWorkerAndWaitsBounded) {
  Window window;
  WindowLogic& logic = window.Open();
  window.MakeBusy();
  logic.run_state().fill_running.store(1);
  int pumps = 0;
  EXPECT_FALSE(logic.EndRun(30, [&pumps] {
    ++pumps;
    Pause();
  }));
  EXPECT_GT(pumps, 0);
  EXPECT_FALSE(logic.run_state().fill_running.load());
  logic.port().SetStatusText("from a late worker");
  EXPECT_NE(window.view.status, "from a late worker");
  window.release.store(true);
  EXPECT_TRUE(logic.EndRun(10000, Pause));
}

// With the stop question open the erase waits at its next file boundary:
// the file being erased is finished, no other is touched. No lets the job
// go on to the end; Yes (also Escape, by the view's contract) stops it there.
TEST(WindowLogicTest, StopQuestionPausesTheEraseUntilItIsAnswered) {
  for (const bool stop : {false, true}) {
    SCOPED_TRACE(stop ? "Yes" : "No");
    // Declared before the window, whose end waits for the job that uses them.
    std::mutex mutex;
    std::set<std::string> written;
    std::atomic<bool> go{false};
    std::vector<std::string> files;
    Window window;
    window.queued = true;
    window.Set("del_delay", 0);
    for (const char* name : {"a", "b", "c", "d"}) files.push_back(window.dir.Write(name, "secret"));
    window.env.fail_write = [&](const std::string& path, uint64_t, size_t,
                                bool) -> std::optional<platform::Result<size_t>> {
      // The listed files only: the erase's own note is written as well.
      if (std::find(files.begin(), files.end(), path) == files.end()) return std::nullopt;
      {
        std::lock_guard lock(mutex);
        written.insert(path);
      }
      while (!go.load()) Pause();
      return std::nullopt;
    };
    const auto written_count = [&] {
      std::lock_guard lock(mutex);
      return written.size();
    };
    const auto left = [&] {
      return std::count_if(files.begin(), files.end(),
                           [](const std::string& f) { return std::filesystem::exists(f); });
    };
    WindowLogic& logic = window.Open();
    logic.DropPaths(files);
    logic.Run(Command::kDelete);
    ASSERT_TRUE(window.PumpUntil([&] { return written_count() == 1; }));
    window.view.yes = stop;
    window.view.while_open = [&] {
      EXPECT_TRUE(logic.run_state().pause_asked.load());
      go = true;
      for (int i = 0; i < 100; ++i) window.Pump();
      EXPECT_EQ(written_count(), 1u);
      EXPECT_EQ(left(), 3);
    };
    logic.Run(Command::kCancel);
    ASSERT_EQ(window.view.questions.size(), 1u);
    EXPECT_FALSE(logic.run_state().pause_asked.load());
    ASSERT_TRUE(window.PumpUntil([&] { return !window.slot.Running(); }));
    EXPECT_EQ(left(), stop ? 3 : 0);
    EXPECT_EQ(logic.items().RowCount(), stop ? 3 : 0);
  }
}

// A menu or box open during the countdown holds it: the erase never starts
// behind it, and goes on once it has closed.
TEST(WindowLogicTest, CountdownWaitsWhileAMenuIsOpen) {
  Window window;
  window.queued = true;
  window.Set("del_delay", 1);
  window.env.sleep = [](int64_t) { Pause(); };  // a second of countdown passes in 20 ms
  const std::string file = window.dir.Write("a.txt", "secret");
  WindowLogic& logic = window.Open();
  logic.DropPaths({file});
  logic.Run(Command::kDelete);
  ASSERT_TRUE(window.PumpUntil([&] { return logic.run_state().erase_running.load(); }));
  window.view.while_open = [&] {
    for (int i = 0; i < 200; ++i) window.Pump();
    EXPECT_FALSE(logic.run_state().erasing.load());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(window.view.status, text::FormatText(Text(texts::kCountdownStatus), {1}));
  };
  logic.Run(Command::kDelay);
  ASSERT_TRUE(window.PumpUntil([&] { return !window.slot.Running(); }));
  EXPECT_FALSE(std::filesystem::exists(file));
}

// Del, Backspace and the context menu take rows out of the list and erase
// nothing; Reset clears the status bar's counts; the choosers open at home,
// then where the user last was.
TEST(WindowLogicTest, ListEditingErasesNothing) {
  Window window;
  const std::string a = window.dir.Write("a.txt", "1");
  const std::string b = window.dir.Write("d/b.txt", "22");
  const std::string c = window.dir.Write("d/c.txt", "333");
  WindowLogic& logic = window.Open();
  window.view.files = {a, b};
  logic.Run(Command::kAddFiles);
  EXPECT_EQ(window.view.chooser_starts.back(), window.env.UserDesktopStores().home);
  logic.DropPaths({c});
  ASSERT_EQ(logic.items().RowCount(), 3);

  logic.RemoveRows({0, 7});  // row 7 does not exist
  EXPECT_EQ(logic.items().RowPaths(), (std::vector<std::string>{b, c}));
  EXPECT_EQ(window.view.status, Text(texts::kReady) + " // " + ItemsSummaryText(2, 5));
  window.view.menu_answers = {kOpenContainingFolder, kRemoveFromList};
  logic.ShowItemMenu({1});
  EXPECT_EQ(window.view.menus.back().below, Control::kItemList);
  EXPECT_EQ(window.view.opened_folders, std::vector<std::string>{window.dir / "d"});
  logic.ShowItemMenu({1});
  EXPECT_EQ(logic.items().RowPaths(), std::vector<std::string>{b});
  logic.DropPaths({c});  // added again, listed again
  EXPECT_EQ(logic.items().RowCount(), 2);
  for (const std::string& path : {a, b, c}) EXPECT_TRUE(std::filesystem::exists(path)) << path;

  window.MakeBusy();  // as Reset, no removal while a worker runs
  logic.RemoveRows({0});
  EXPECT_EQ(logic.items().RowCount(), 2);
  window.view.menu_answers = {kRemoveFromList};
  logic.ShowItemMenu({0});
  EXPECT_FALSE(window.view.menus.back().entries[0].enabled);
  window.release = true;
  ASSERT_TRUE(window.PumpUntil([&] { return !window.slot.Running(); }));

  window.view.folder = window.dir / "d";
  window.view.menu_answers = {kFillRun};
  logic.Run(Command::kFill);  // the fill's folder
  logic.Run(Command::kAddFiles);
  EXPECT_EQ(window.view.chooser_starts.back(), window.dir / "d");
  logic.Run(Command::kReset);
  EXPECT_EQ(window.view.status, Text(texts::kReady));
}

// The fill's first row names the volume and what it will write.
TEST(WindowLogicTest, FillFirstRowNamesTheVolumeAndTheAmount) {
  std::atomic<uint64_t> bytes{0};
  Window window;
  const std::string chosen = window.dir.MakeDir("fill");
  // The volume is "full" after 1 MB, so no real disk fills.
  window.env.fail_write = [&bytes](const std::string&, uint64_t, size_t length,
                                   bool) -> std::optional<platform::Result<size_t>> {
    if (bytes.fetch_add(length) > (1u << 20)) return platform::Status::Error(ENOSPC, "full");
    return std::nullopt;
  };
  window.view.folder = chosen;
  ::setenv("TARNWELL_STATE_DIR", (window.dir / "state").c_str(), 1);
  WindowLogic& logic = window.Open();
  const size_t before = window.view.messages.size();
  window.view.menu_answers = {kFillRun};
  logic.Run(Command::kFill);
  ASSERT_EQ(window.slot.kept.size(), 1u);
  window.slot.kept[0]();
  ::unsetenv("TARNWELL_STATE_DIR");
  ASSERT_GT(window.view.messages.size(), before);
  const std::string first = window.view.messages[window.view.messages.size() - before - 1];
  const platform::Result<platform::MountInfo> mount = window.env.FindMount(chosen);
  ASSERT_TRUE(mount.ok());
  const std::string expected_start = text::FormatText(
      Text(texts::kFillStartedRow), {mount->mount_point + " (" + mount->fs_type + ")", "@"});
  EXPECT_EQ(first.substr(0, expected_start.find('@')),
            expected_start.substr(0, expected_start.find('@')));
  EXPECT_EQ(first.find('?'), std::string::npos) << first;  // the amount is known
  EXPECT_EQ(window.view.progress.back(), -1);              // no job runs now
}

// Error rows speak the window's language: the reasons users meet come from
// the catalogue by their error code, the system's own text only for others.
TEST(WindowLogicTest, ErrorReasonsComeFromTheCatalogue) {
  Window window;
  const std::string english_denied = text::LookupUtf8(texts::kReasonAccessDenied);
  for (int language = 0; language < 8; ++language) {
    text::SetCurrentLanguage(language);
    SCOPED_TRACE(language);
    const std::vector<EventRow> denied =
        RowsOf(job::ItemResult{.path = "/x/a",
                               .outcome = job::Outcome::kKept,
                               .reason = job::Reason::kWriteFailed,
                               .error_code = EACCES,
                               .detail = "open for writing '/x/a': Permission denied"},
               Front::kWindow);
    ASSERT_EQ(denied.size(), 1u);
    EXPECT_EQ(denied[0].text, text::FormatText(Text(texts::kWriteFailedRow),
                                               {"/x/a", Text(texts::kReasonAccessDenied)}));
    if (language != 1) {
      EXPECT_NE(Text(texts::kReasonAccessDenied), english_denied);
    }
    const std::vector<EventRow> refused =
        RowsOf(job::ItemResult{.path = "/x/b",
                               .outcome = job::Outcome::kKept,
                               .reason = job::Reason::kChangedSinceListed,
                               .error_code = ESTALE,
                               .detail = "'/x/b' is no longer what was listed"},
               Front::kWindow);
    EXPECT_EQ(refused[0].text, text::FormatText(Text(texts::kChangedSinceListed),
                                                {"/x/b", Text(texts::kReasonReplaced)}));
    const std::vector<EventRow> other =
        RowsOf(job::Notice{.severity = job::Severity::kError,
                           .reason = job::Reason::kFillFailed,
                           .subject = "/x",
                           .error_code = EXDEV,
                           .detail = "rename '/x/t': Invalid cross-device link"},
               Front::kWindow);
    EXPECT_EQ(other[0].text, text::FormatText(Text(texts::kFillFailedRow),
                                              {"/x", "rename '/x/t': Invalid cross-device link"}));
    const std::vector<EventRow> reserve =
        RowsOf(job::Notice{.severity = job::Severity::kInfo,
                           .reason = job::Reason::kReserveRestored,
                           .subject = "/dev/loop0",
                           .second = "1024"},
               Front::kWindow);
    EXPECT_EQ(reserve[0].text,
              text::FormatText(Text(texts::kReserveRestored), {"/dev/loop0", "1024"}));
  }
  text::SetCurrentLanguage(1);
}

}  // namespace
}  // namespace tarnwell::ui
