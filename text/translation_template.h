// The translation template: the English texts in the archive's own line
// format, written to the temporary folder for a translator and opened there.
#pragma once

#include <string>

#include "platform/env.h"

namespace tarnwell::text {

// The template's UTF-16 text: byte-order mark, "Strings 4: " and about text
// 19, CR LF CR LF, about text 25, CR LF CR LF, the English section as stored
// (whole, however long), and a closing zero unit.
std::u16string BuildTranslationTemplate();

// TempDirectory() + "/translate_" + program identifier + ".txt".
std::string TranslationTemplatePath(platform::Env& env);

// Writes the template as UTF-16LE to its path and opens it with the default
// program. An old file (or a link planted there) is removed first and the new
// one created exclusively without following links; if that fails nothing is
// written or opened and the error is returned. A missing opener is no error.
platform::Status ExportTranslationTemplate(platform::Env& env);

}  // namespace tarnwell::text
