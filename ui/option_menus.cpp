// Menus as data, labelled from the catalogue in the current language.
#include "ui/option_menus.h"

#include <algorithm>
#include <span>

#include "settings/job_options.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "ui/language_menu.h"
#include "ui/window_texts.h"

namespace tarnwell::ui {
namespace {

int ReadOption(const settings::SettingsStore& settings, std::string_view key) {
  return settings.ReadIntSetting(settings::kOptionsSection, key, 1, -1, -1);
}

std::vector<MenuEntry> RadioMenu(text::TextId format_id, std::span<const int> values,
                                 int command_base, int current) {
  std::vector<MenuEntry> entries;
  for (int value : values) {
    entries.push_back({.text = text::FormatText(text::LookupUtf8(format_id), {value}),
                       .command = command_base + value,
                       .mark = MenuEntry::Mark::kRadio,
                       .checked = value == current});
  }
  return entries;
}

MenuEntry CheckEntry(text::TextId text_id, int command, int setting) {
  return {.text = text::LookupUtf8(text_id),
          .command = command,
          .mark = MenuEntry::Mark::kCheck,
          .checked = setting != 0};
}

}  // namespace

int OverwriteCount(const settings::SettingsStore& settings) {
  return settings::ReadPassesAsked(settings);
}

std::vector<MenuEntry> OverwriteMenu(int current) {
  return RadioMenu(texts::kOverwriteFormat, kOverwriteCounts, 0, current);
}

std::vector<MenuEntry> DelayMenu(int current) {
  int seconds[kDelayMenuEntries];
  for (int i = 0; i < kDelayMenuEntries; ++i) seconds[i] = i;
  return RadioMenu(texts::kDelayFormat, seconds, kDelayCommandBase, current);
}

std::vector<MenuEntry> LanguageMenu() {
  std::vector<MenuEntry> entries;
  for (const LanguageMenuEntry& entry : LanguageMenuEntries()) {
    if (entry.kind == LanguageMenuEntry::Kind::kSeparator) {
      entries.push_back(MenuSeparator());
    } else {
      // The part after a tab shows right-aligned, in the menu's shortcut column.
      entries.push_back({.text = entry.text, .command = entry.command, .enabled = entry.enabled});
    }
  }
  return entries;
}

ImportSettings ReadImportSettings(const settings::SettingsStore& settings) {
  return {.subfolders = ReadOption(settings, kImportSubfoldersKey),
          .files = ReadOption(settings, kImportFilesKey),
          .folders = ReadOption(settings, kImportFoldersKey),
          .traces = ReadOption(settings, kEraseTracesKey)};
}

std::vector<MenuEntry> ImportMenu(const ImportSettings& current) {
  return {
      {.text = text::LookupUtf8(texts::kImport),
       .command = kImportRun,
       .enabled = current.files == 1 || current.folders == 1},
      {.text = text::LookupUtf8(texts::kEraseTrash), .command = kEraseTrash},
      MenuSeparator(),
      CheckEntry(texts::kIncludeSubfolders, kImportSubfolders, current.subfolders),
      CheckEntry(texts::kAddFiles, kImportFiles, current.files),
      CheckEntry(texts::kAddFolders, kImportFolders, current.folders),
      MenuSeparator(),
      CheckEntry(texts::kEraseTraces, kEraseTraces, current.traces),
  };
}

void FlipImportSetting(settings::SettingsStore& settings, const ImportSettings& current,
                       int command) {
  auto flip = [&settings](const char* key, int value) {
    settings.WriteIntSetting(settings::kOptionsSection, key, value == 0 ? 1 : 0);
  };
  switch (command) {
    case kImportSubfolders:
      flip(kImportSubfoldersKey, current.subfolders);
      break;
    case kImportFiles:
      flip(kImportFilesKey, current.files);
      break;
    case kImportFolders:
      flip(kImportFoldersKey, current.folders);
      break;
    case kEraseTraces:
      flip(kEraseTracesKey, current.traces);
      break;
    default:
      break;
  }
}

int ReadFillRecords(const settings::SettingsStore& settings) {
  return settings.ReadIntSetting(settings::kOptionsSection, kFillRecordsKey, 0, -1, -1) != 0 ? 1
                                                                                             : 0;
}

std::vector<MenuEntry> FillMenu(int records) {
  return {
      {.text = text::LookupUtf8(texts::kFill), .command = kFillRun},
      MenuSeparator(),
      CheckEntry(texts::kOverwriteFreeRecords, kFillRecords, records),
  };
}

void FlipFillRecords(settings::SettingsStore& settings, int current) {
  settings.WriteIntSetting(settings::kOptionsSection, kFillRecordsKey, current == 0 ? 1 : 0);
}

std::vector<MenuEntry> ItemMenu(bool rows_chosen, bool worker_running) {
  return {{.text = text::LookupUtf8(texts::kRemoveFromList),
           .command = kRemoveFromList,
           .enabled = rows_chosen && !worker_running},
          {.text = text::LookupUtf8(texts::kOpenContainingFolder),
           .command = kOpenContainingFolder,
           .enabled = rows_chosen}};
}

}  // namespace tarnwell::ui
