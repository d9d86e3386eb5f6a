// Menu entries from the active catalogue; commands keep the language's index.
#include "ui/language_menu.h"

#include "text/catalog.h"
#include "text/translation_template.h"

namespace tarnwell::ui {
namespace {

constexpr size_t kShortestListedName = 6;  // shorter names are loaded but not offered
constexpr char kLanguageKey[] = "lng";

}  // namespace

std::vector<LanguageMenuEntry> LanguageMenuEntries() {
  std::vector<LanguageMenuEntry> entries;
  const int current = text::CurrentLanguage();
  for (int i = 0; i < text::LanguageCount(); ++i) {
    if (text::LanguageName(i).size() < kShortestListedName) continue;
    const int command = kFirstLanguageCommand + i;
    // Commands past the last language command do nothing: never offer one.
    const bool enabled = i != current && command <= kLastLanguageCommand;
    entries.push_back(
        {LanguageMenuEntry::Kind::kLanguage, text::LanguageNameUtf8(i), command, enabled});
  }
  entries.push_back({LanguageMenuEntry::Kind::kSeparator, "", 0, true});
  entries.push_back({LanguageMenuEntry::Kind::kTranslate, "Translate", kTranslateCommand, true});
  return entries;
}

LanguageMenuOutcome HandleLanguageMenuCommand(int command, settings::SettingsStore& settings,
                                              platform::Env& env) {
  if (command >= kFirstLanguageCommand && command <= kLastLanguageCommand) {
    const int language = command - kFirstLanguageCommand;
    text::SetCurrentLanguage(language);
    settings.WriteProgramSetting(kLanguageKey, language);
    return LanguageMenuOutcome::kLanguageChanged;
  }
  if (command == kTranslateCommand) {
    text::ExportTranslationTemplate(env);
    return LanguageMenuOutcome::kTemplateExported;
  }
  return LanguageMenuOutcome::kNothing;
}

}  // namespace tarnwell::ui
