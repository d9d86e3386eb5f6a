#include "job/random_name.h"

#include "core/paths.h"

namespace tarnwell::job {
namespace {

// The first two entries are two bytes long in UTF-8; the rest one byte.
constexpr std::string_view kAlphabet[kNameAlphabetSize] = {"\xC2\xB3", "\xC2\xB2", "~", "{",
                                                           "(",        "[",        "]"};
constexpr int kFirstOneByte = 2;

// Length of the valid UTF-8 sequence at text[i], or 1 for a byte that starts
// none (so names that are not UTF-8 still have a shape).
size_t SequenceLength(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  size_t length = 1;
  if (lead >= 0xC2 && lead <= 0xDF)
    length = 2;
  else if (lead >= 0xE0 && lead <= 0xEF)
    length = 3;
  else if (lead >= 0xF0 && lead <= 0xF4)
    length = 4;
  if (length == 1 || i + length > text.size()) return 1;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 1;
  }
  return length;
}

size_t NameStart(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::span<const std::string_view, kNameAlphabetSize> NameAlphabet() { return kAlphabet; }

std::string RandomizeName(platform::Env& env, std::string_view path, size_t max_name_bytes) {
  const size_t start = NameStart(path);
  std::string_view name = path.substr(start);
  // Characters of the original name, so the byte budget can reserve one byte
  // for every character still to come.
  size_t characters = 0;
  for (size_t i = 0; i < name.size(); i += SequenceLength(name, i)) ++characters;

  std::string candidate(path.substr(0, start));
  size_t used = 0;
  size_t left = characters;
  for (size_t i = 0; i < name.size(); i += SequenceLength(name, i)) {
    --left;
    std::string_view pick = ".";
    if (name[i] != '.') {
      pick = kAlphabet[env.Random() % kNameAlphabetSize];
      if (used + pick.size() + left > max_name_bytes) {
        pick = kAlphabet[kFirstOneByte + env.Random() % (kNameAlphabetSize - kFirstOneByte)];
      }
    }
    candidate.append(pick);
    used += pick.size();
  }
  return candidate;
}


}  // namespace tarnwell::job
