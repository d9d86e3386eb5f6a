// The language button's menu as data, and what choosing an entry does. The
// window shows the entries and hands the chosen command back here.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"
#include "settings/settings_store.h"

namespace tarnwell::ui {

inline constexpr int kFirstLanguageCommand = 10;  // language i has command 10 + i
inline constexpr int kLastLanguageCommand = 30;   // languages above index 20 cannot be chosen
inline constexpr int kTranslateCommand = 1000;

struct LanguageMenuEntry {
  enum class Kind { kLanguage, kSeparator, kTranslate };
  Kind kind = Kind::kLanguage;
  std::string text;     // UTF-8; a language's name as stored, tab included
  int command = 0;      // 0 for the separator
  bool enabled = true;  // false for the current language and past command 30
};

// One entry per loaded language whose name is longer than 5 characters (the
// current one disabled, as are those above index 20, which no command can
// choose), then a separator and "Translate".
std::vector<LanguageMenuEntry> LanguageMenuEntries();

enum class LanguageMenuOutcome { kNothing, kLanguageChanged, kTemplateExported };

// Carries out a command from the menu: 10..30 makes language command - 10 the
// current one and stores it as "lng" (a failed write only loses it for the
// next start); 1000 exports the translation template; anything else, 0 for a
// dismissed menu included, does nothing. On kLanguageChanged the caller
// re-applies the window's texts.
LanguageMenuOutcome HandleLanguageMenuCommand(int command, settings::SettingsStore& settings,
                                              platform::Env& env);

}  // namespace tarnwell::ui
