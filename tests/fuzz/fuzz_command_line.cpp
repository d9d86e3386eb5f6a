// Any bytes must split without a crash, and the result must match a slow,
// literal reading of the rules: cut quoted pairs out one by one, collapse
// double blanks until none is left, split at blanks, trim, drop empties. The
// text after the program name is always an unchanged tail of the line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "items/command_line.h"
#include "items/command_line_paths.h"

namespace {

constexpr size_t kLargestInput = 4096;  // the reference is quadratic

void Add(std::string candidate, std::vector<std::string>* out) {
  const char* space = " \t\n\v\f\r";
  const size_t first = candidate.find_first_not_of(space);
  if (first == std::string::npos) return;
  out->push_back(candidate.substr(first, candidate.find_last_not_of(space) - first + 1));
}

std::vector<std::string> Reference(std::string text) {
  std::vector<std::string> out;
  size_t characters = 0;
  for (unsigned char c : text) characters += (c & 0xC0) != 0x80;
  if (characters <= 3) return out;
  for (;;) {
    const size_t open = text.find('"');
    const size_t close = open == std::string::npos ? open : text.find('"', open + 1);
    if (close == std::string::npos) break;
    Add(text.substr(open + 1, close - open - 1), &out);
    text.erase(open, close - open + 1);
  }
  for (size_t at; (at = text.find("  ")) != std::string::npos;) text.replace(at, 2, " ");
  size_t start = 0;
  for (size_t blank; (blank = text.find(' ', start)) != std::string::npos; start = blank + 1) {
    Add(text.substr(start, blank - start), &out);
  }
  Add(text.substr(start), &out);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLargestInput) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (tarnwell::items::SplitCommandLinePaths(text) != Reference(text)) std::abort();
  if (!std::string_view(text).ends_with(tarnwell::items::CommandLineAfterProgramName(text))) {
    std::abort();
  }
  return 0;
}
