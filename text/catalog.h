// The process-wide text catalogue and the current language: built once at
// start-up, then read from every thread without locking.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "text/text_ids.h"

namespace tarnwell::text {

// Builds the catalogue from the archive compiled into the program and makes
// it the active one; later calls reuse it. False when memory for the decoded
// text cannot be obtained or the archive declares more than it can hold.
bool BuildTextCatalog();

// Builds a catalogue from any archive bytes and makes it the active one (for
// tests and tools). Earlier catalogues stay alive, so views handed out from
// them remain valid. False when memory cannot be obtained or the archive
// declares more than it can hold.
bool BuildTextCatalogFromArchive(std::span<const uint8_t> archive);

// The text of id in the current language, falling back to English only;
// empty when neither has it and before a build.
std::u16string_view LookupText(TextId id);
std::string LookupUtf8(TextId id);
// LookupUtf8 with each backslash-n pair of the text turned into a line break:
// the catalogue holds one line per text, so longer help texts mark breaks so.
std::string LookupLines(TextId id);
// The about section's text of id (product name, web addresses, request to
// translators); empty when missing.
std::u16string_view AboutText(AboutId id);
std::string AboutUtf8(AboutId id);

// Index of the current language (0 German, 1 English, ...). Any value may be
// set; one that names no loaded language selects English for every lookup.
int CurrentLanguage();
void SetCurrentLanguage(int language);

// The number of language sections found (9 for the built-in archive, whose
// last one is unnamed and empty) and the name of each ("" when unnamed).
int LanguageCount();
std::u16string_view LanguageName(int language);
std::string LanguageNameUtf8(int language);

// The English section as stored, for the translation template.
std::u16string_view EnglishTemplateText();

}  // namespace tarnwell::text
