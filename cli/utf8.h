// The one UTF-8 rule the terminal and JSON output share: what counts as a
// valid character, so that everything else can be escaped or replaced.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwell::cli {

// The length of the valid UTF-8 sequence at the start of text, or 0 when
// it does not start with one (overlong forms and surrogates included).
// REQUIRES: text is not empty.
size_t Utf8SequenceLength(std::string_view text);

}  // namespace tarnwell::cli
