// What each command of the window does.

#include <algorithm>

#include "erase/erase_job.h"
#include "fill/fill_job.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/env.h"
#include "platform/win32/win_text.h"
#include "settings/settings_store.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "text/language_menu.h"
#include "text/translation_template.h"
#include "win/main_window.h"
#include "win/resource_ids.h"
#include "win/windows_ui.h"

namespace tarnwell::win {
namespace {
constexpr int kTextStop = 7;
constexpr int kTextError = 18;
constexpr int kTextIncludeSubfolders = 25;
constexpr int kTextAddFiles = 26;
constexpr int kTextAddFolders = 27;
constexpr int kTextDelayFormat = 34;
constexpr int kTextOverwriteFormat = 35;
constexpr int kTextHelpCaption = 60;
constexpr int kTextFirstHelpPair = 61;
constexpr int kHelpPairs = 5;
constexpr int kTextImport = 79;
constexpr int kTextWorkerNotStarted = 80;
constexpr int kTextStopErase = 161;
constexpr int kTextStopFill = 164;
constexpr int kTextTemplateWritten = 168;
constexpr int kTextTemplateNotWritten = 169;
constexpr int kTextFirstMoreHelpPair = 175;
constexpr int kMoreHelpPairs = 4;
constexpr int kAboutUrlGerman = 23;
constexpr int kAboutUrlOther = 24;

constexpr int kOverwriteCounts[] = {1,  2,  3,  4,  5,  6,  7,  8,  9, 11,
                                    13, 15, 17, 20, 23, 26, 29, 32, 35};
constexpr int kMaxOverwriteLabel = 35;
constexpr int kDelayMenuEntries = 10;
constexpr int kDelayCommandBase = 1000;
constexpr int kImportRun = 1;
constexpr int kImportSubfolders = 2;
constexpr int kImportFiles = 3;
constexpr int kImportFolders = 4;
constexpr char kImportSubfoldersKey[] = "import_subdirs";
constexpr char kImportFilesKey[] = "import_files";
constexpr char kImportFoldersKey[] = "import_folders";

std::string FormatTextId(int id, int value) {
  return text::FormatText(text::LookupUtf8(id), {value});
}
}  // namespace

void MainWindow::RunCommand(int id) {
  if (id >= IDM_LANGUAGE_BASE + text::kFirstLanguageCommand &&
      id <= IDM_LANGUAGE_BASE + text::kTranslateCommand) {
    ChooseLanguageEntry(id - IDM_LANGUAGE_BASE);
    return;
  }
  switch (id) {
    case IDCANCEL:
      Cancel();
      break;
    case IDC_DELETE:
      StartErase(false);
      break;
    case IDC_DELETE_EXIT:
      StartErase(true);
      break;
    case IDC_RESET:
      items_->ResetList(port_.get());
      break;
    case IDC_OVERWRITE:
      ShowOverwriteMenu();
      break;
    case IDC_DELAY:
      ShowDelayMenu();
      break;
    case IDC_LANGUAGE:
      ShowLanguageMenu();
      break;
    case ID_HELP_TEXT:
      ShowHelp();
      break;
    case ID_FILL_FREE_SPACE:
      StartFill();
      break;
    case IDC_WEB_LINK:
      OpenWebLink();
      break;
    case IDC_IMPORT:
      ShowImportMenu();
      break;
    default:
      break;  // IDOK (Enter) and anything else: nothing
  }
}

void MainWindow::Cancel() {
  // A running fill or erase is stopped, not cut off: the fill deletes its
  // files, the erase ends at a file boundary, and the window stays open to
  // say what was done.
  if (run_state_.fillRunning.load() != 0) {
    if (AskYesNo(text::LookupUtf8(kTextStop), text::LookupUtf8(kTextStopFill))) {
      run_state_.fillRunning.store(0);
    }
    return;
  }
  if (run_state_.erasing.load() != 0) {
    if (run_state_.stopRequested.load() == 0 &&
        AskYesNo(text::LookupUtf8(kTextStop), text::LookupUtf8(kTextStopErase))) {
      run_state_.stopRequested.store(1);
    }
    return;
  }
  if (run_state_.stopRequested.load() == 1 && !closed_) {
    closed_ = true;
    port_->Detach();
    ShowWindow(window_, SW_HIDE);
  }
  run_state_.stopRequested.store(1);
}

bool MainWindow::StartWorker(std::function<void()> work) {
  if (worker_.Start(std::move(work))) return true;
  InsertMessage(text::LookupUtf8(kTextError) + ": " + text::LookupUtf8(kTextWorkerNotStarted),
                core::MessageIcon::kError);
  SetBusy(false);
  return false;
}

void MainWindow::StartErase(bool exit_after) {
  if (worker_.Running()) return;
  fill_started_ = false;
  SetBusy(true);
  run_state_.exitAfterErase.store(exit_after ? 1 : 0);
  items::ItemList& list = *items_;
  core::WindowPort& port = *port_;
  erase::EraseJobContext job{.env = env_,
                             .settings = settings_,
                             .port = port,
                             .run_state = run_state_,
                             .listed = items_->Listed(),
                             .refresh_list = [&list, &port] { list.RefreshList(&port); },
                             .options = {},
                             .pass_count = std::nullopt,
                             .delay_seconds = std::nullopt,
                             .on_progress = {},
                             .countdown_text_id = erase::kWindowCountdownText,
                             .erasing_text_id = erase::kTextErasingWindow};
  StartWorker([job = std::move(job)] { erase::RunEraseJob(job); });
}

void MainWindow::ShowOverwriteMenu() {
  const int current =
      std::clamp(settings_.ReadIntSetting(settings::kOptionsSection, "re_write", 1, -1, -1), 1,
                 kMaxOverwriteLabel);
  std::vector<MenuEntry> entries;
  for (int count : kOverwriteCounts) {
    entries.push_back({FormatTextId(kTextOverwriteFormat, count), count, count == current});
  }
  const int chosen = RunButtonMenu(IDC_OVERWRITE, entries);
  if (chosen > 0) settings_.WriteIntSetting(settings::kOptionsSection, "re_write", chosen);
  UpdateOptionLabels();
}

void MainWindow::ShowDelayMenu() {
  settings_.ReadIntoVariable(settings::kOptionsSection, "del_delay", run_state_.deleteDelaySeconds);
  const int current = run_state_.deleteDelaySeconds.load();
  std::vector<MenuEntry> entries;
  for (int seconds = 0; seconds < kDelayMenuEntries; ++seconds) {
    entries.push_back(
        {FormatTextId(kTextDelayFormat, seconds), kDelayCommandBase + seconds, seconds == current});
  }
  const int chosen = RunButtonMenu(IDC_DELAY, entries);
  if (chosen >= kDelayCommandBase) {
    settings_.WriteIntSetting(settings::kOptionsSection, "del_delay", chosen - kDelayCommandBase);
  }
  UpdateOptionLabels();
}

void MainWindow::ShowLanguageMenu() {
  std::vector<MenuEntry> entries;
  for (const text::LanguageMenuEntry& entry : text::LanguageMenuEntries()) {
    if (entry.kind == text::LanguageMenuEntry::Kind::kSeparator) {
      entries.push_back({});
    } else {
      entries.push_back({entry.text, entry.command, false, entry.enabled});
    }
  }
  ChooseLanguageEntry(RunButtonMenu(IDC_LANGUAGE, entries));
}

void MainWindow::ChooseLanguageEntry(int command) {
  switch (text::HandleLanguageMenuCommand(command, settings_, env_)) {
    case text::LanguageMenuOutcome::kLanguageChanged:
      ApplyLanguageTexts();
      break;
    case text::LanguageMenuOutcome::kTemplateExported: {
      const std::string path = text::TranslationTemplatePath(env_);
      const bool written = env_.Describe(path).ok();
      InsertMessage(
          text::FormatText(
              text::LookupUtf8(written ? kTextTemplateWritten : kTextTemplateNotWritten), {path}),
          written ? core::MessageIcon::kInfo : core::MessageIcon::kError);
      break;
    }
    case text::LanguageMenuOutcome::kNothing:
      break;
  }
}

void MainWindow::ShowHelp() {
  std::string help;
  auto add_pairs = [&help](int first, int pairs) {
    for (int pair = 0; pair < pairs; ++pair) {
      if (!help.empty()) help += "\r\n";
      help += text::LookupUtf8(first + 2 * pair) + "\r\n" + text::LookupUtf8(first + 2 * pair + 1) +
              "\r\n";
    }
  };
  add_pairs(kTextFirstHelpPair, kHelpPairs);
  add_pairs(kTextFirstMoreHelpPair, kMoreHelpPairs);
  MessageBoxW(window_, platform::win32::ToWide(help).c_str(),
              platform::win32::ToWide(text::LookupUtf8(kTextHelpCaption)).c_str(), MB_OK);
}

void MainWindow::StartFill() {
  if (worker_.Running()) return;
  const std::string folder = ChooseFolder();
  if (folder.empty()) return;
  SetBusy(true);
  fill_started_ = true;
  platform::Env& env = env_;
  core::WindowPort& port = *port_;
  core::RunState& run_state = run_state_;
  StartWorker(
      [&env, &port, &run_state, folder] { fill::FillFreeSpace(env, port, run_state, folder); });
}

void MainWindow::OpenWebLink() {
  const std::wstring address = platform::win32::ToWide(
      text::AboutUtf8(text::CurrentLanguage() == 0 ? kAboutUrlGerman : kAboutUrlOther));
  ShellExecuteW(window_, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::ShowImportMenu() {
  auto read = [this](const char* key) {
    return settings_.ReadIntSetting(settings::kOptionsSection, key, 1, -1, -1);
  };
  const int subfolders = read(kImportSubfoldersKey);
  const int files = read(kImportFilesKey);
  const int folders = read(kImportFoldersKey);
  const std::vector<MenuEntry> entries = {
      {text::LookupUtf8(kTextImport), kImportRun, false, files == 1 || folders == 1},
      {},
      {text::LookupUtf8(kTextIncludeSubfolders), kImportSubfolders, subfolders != 0},
      {text::LookupUtf8(kTextAddFiles), kImportFiles, files != 0},
      {text::LookupUtf8(kTextAddFolders), kImportFolders, folders != 0},
  };
  auto flip = [this](const char* key, int value) {
    settings_.WriteIntSetting(settings::kOptionsSection, key, value == 0 ? 1 : 0);
  };
  switch (RunButtonMenu(IDC_IMPORT, entries)) {
    case kImportRun: {
      const std::string folder = ChooseFolder();
      if (folder.empty() || worker_.Running()) break;
      items::ScanFlags options;
      options.include_subfolders = subfolders != 0;
      options.add_files = files != 0;
      options.add_folders = folders != 0;
      fill_started_ = false;
      SetBusy(true);
      platform::Env& env = env_;
      items::ItemList& list = *items_;
      core::WindowPort& port = *port_;
      StartWorker([&env, &list, &port, folder, options] {
        items::ItemAdder(env, list, &port).ScanFolder(folder, options);
        list.RefreshList(&port);
        port.SetBusy(false);
      });
      break;
    }
    case kImportSubfolders:
      flip(kImportSubfoldersKey, subfolders);
      break;
    case kImportFiles:
      flip(kImportFilesKey, files);
      break;
    case kImportFolders:
      flip(kImportFoldersKey, folders);
      break;
    default:
      break;
  }
}

}  // namespace tarnwell::win
