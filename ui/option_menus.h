// The option buttons' menus as data, and the settings they show and change.
// The window logic runs them through its view; they are apart so each menu's
// entries can be checked without a window.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "ui/window_view.h"

namespace tarnwell::ui {

// The overwrite counts offered; a count's command is the count itself.
inline constexpr int kOverwriteCounts[] = {1,  2,  3,  4,  5,  6,  7,  8,  9, 11,
                                           13, 15, 17, 20, 23, 26, 29, 32, 35};
// The delay menu offers 0..9 seconds as commands 1000..1009; a delay
// written by hand may be up to 10.
inline constexpr int kDelayMenuEntries = 10;
inline constexpr int kDelayCommandBase = 1000;
// The import menu's commands.
inline constexpr int kImportRun = 1;
inline constexpr int kImportSubfolders = 2;
inline constexpr int kImportFiles = 3;
inline constexpr int kImportFolders = 4;
inline constexpr int kEraseTrash = 5;
inline constexpr int kEraseTraces = 6;
// The import menu's settings, each 1 (on, also when missing) or 0.
inline constexpr char kImportSubfoldersKey[] = "import_subdirs";
inline constexpr char kImportFilesKey[] = "import_files";
inline constexpr char kImportFoldersKey[] = "import_folders";
// The fill menu's commands, and its one setting: 1 when the fill also
// overwrites every free record where the file system keeps no file data in
// them (0, also when missing).
inline constexpr int kFillRun = 1;
inline constexpr int kFillRecords = 2;
inline constexpr char kFillRecordsKey[] = "fill_records";
// The item list's context menu's commands.
inline constexpr int kRemoveFromList = 1;
inline constexpr int kOpenContainingFolder = 2;
// Whether an erase also erases the desktop's traces of the erased items.
inline constexpr char kEraseTracesKey[] = "erase_traces";

// The overwrite count the button shows (settings::ReadPassesAsked).
int OverwriteCount(const settings::SettingsStore& settings);

// One radio entry per count, the current one checked.
std::vector<MenuEntry> OverwriteMenu(int current);
// One radio entry per delay 0..9 seconds, current checked (none when it is 10).
std::vector<MenuEntry> DelayMenu(int current);
// The languages (the current one greyed), a separator and "Translate".
std::vector<MenuEntry> LanguageMenu();

struct ImportSettings {
  int subfolders = 1;
  int files = 1;
  int folders = 1;
  int traces = 1;
};
ImportSettings ReadImportSettings(const settings::SettingsStore& settings);
// "Import" (greyed when neither files nor folders are to be added), "Erase
// the trash" (which lists the trashes' entries), a separator, the three
// check boxes, a separator and the check box for erasing traces.
std::vector<MenuEntry> ImportMenu(const ImportSettings& current);
// The item list's context menu: "Remove from list" (greyed while a worker
// runs) and "Open containing folder", both greyed without a chosen row.
std::vector<MenuEntry> ItemMenu(bool rows_chosen, bool worker_running);
// Flips the check box of command (kImportSubfolders..kImportFolders,
// kEraseTraces) in the
// settings; other commands do nothing.
void FlipImportSetting(settings::SettingsStore& settings, const ImportSettings& current,
                       int command);

// The record pass's stored choice: 1 to run it everywhere, else 0.
int ReadFillRecords(const settings::SettingsStore& settings);
// "Fill the free space", a separator and the check box of the record pass.
std::vector<MenuEntry> FillMenu(int records);
// Flips the record pass's setting from current.
void FlipFillRecords(settings::SettingsStore& settings, int current);

}  // namespace tarnwell::ui
