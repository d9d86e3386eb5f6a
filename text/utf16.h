// Conversions between the catalogue's UTF-16 texts and the UTF-8 the rest of
// the program shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarnwell::text {

// UTF-8 for a UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// UTF-16 for well-formed UTF-8; nothing for malformed input (bad or
// overlong sequences, surrogates, code points above U+10FFFF).
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);

}  // namespace tarnwell::text
