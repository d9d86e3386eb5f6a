// Command-line splitting. The quote and blank rules follow what users of the
// original program's shell integration rely on: quoted paths may hold blanks,
// unquoted ones may not.
#include "items/command_line_paths.h"

#include <cstddef>

namespace tarnwell::items {
namespace {

constexpr char kQuote = '"';
constexpr char kBlank = ' ';
// Shorter texts cannot name anything worth adding (the shell hands over at
// least a drive-like root); the rule counts characters, not bytes.
constexpr size_t kMinimumCharacters = 4;

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// UTF-8 continuation bytes do not start a character.
size_t CharacterCount(std::string_view text) {
  size_t count = 0;
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsWhiteSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsWhiteSpace(text.back())) text.remove_suffix(1);
  return text;
}

void AddCandidate(std::string_view candidate, std::vector<std::string>* out) {
  const std::string_view trimmed = Trim(candidate);
  if (!trimmed.empty()) out->emplace_back(trimmed);
}

}  // namespace

std::vector<std::string> SplitCommandLinePaths(std::string_view command_line) {
  std::vector<std::string> candidates;
  if (CharacterCount(command_line) < kMinimumCharacters) return candidates;

  // Quotes pair up from the left; each pair's text is a path and the pair is
  // cut out of the rest. A last unpaired quote stays in the rest.
  std::string rest;
  size_t position = 0;
  for (;;) {
    const size_t open = command_line.find(kQuote, position);
    const size_t close =
        open == std::string_view::npos ? open : command_line.find(kQuote, open + 1);
    if (close == std::string_view::npos) break;
    rest.append(command_line.substr(position, open - position));
    AddCandidate(command_line.substr(open + 1, close - open - 1), &candidates);
    position = close + 1;
  }
  rest.append(command_line.substr(position));

  // Split at every blank: a run of blanks leaves empty fields, which trimming
  // drops, the same as collapsing the run to one blank first.
  size_t field_start = 0;
  for (size_t i = 0; i <= rest.size(); ++i) {
    if (i < rest.size() && rest[i] != kBlank) continue;
    AddCandidate(std::string_view(rest).substr(field_start, i - field_start), &candidates);
    field_start = i + 1;
  }
  return candidates;
}

std::vector<std::string> ArgumentPaths(std::span<const std::string> arguments) {
  // Trimming belongs to splitting one string, where blanks separate the
  // paths; an argv entry is already one path, and a trimmed one can name the
  // neighbour of the file the user chose.
  std::vector<std::string> candidates;
  for (const std::string& argument : arguments) {
    if (!argument.empty()) candidates.push_back(argument);
  }
  return candidates;
}

}  // namespace tarnwell::items
