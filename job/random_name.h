// Random names of the same shape as an existing name, and the seven renames
// that push an erased entry's old name out of its folder.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace tarnwell::job {

// The seven characters random names are drawn from, in draw order: a draw
// picks index Random() % 7. The first two take two bytes each in UTF-8.
inline constexpr int kNameAlphabetSize = 7;
std::span<const std::string_view, kNameAlphabetSize> NameAlphabet();
inline constexpr int kRenameAttempts = 7;

// One random name of the same shape as the name part of path: the folder part
// and the places of the dots stay; every other character (a UTF-8 sequence,
// or a single byte where the text is not valid UTF-8) becomes one alphabet
// character. The name never grows beyond max_name_bytes. Touches no disk.
std::string RandomizeName(platform::Env& env, std::string_view path, size_t max_name_bytes = 255);

}  // namespace tarnwell::job
