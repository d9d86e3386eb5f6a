#include "cli/shell_quote.h"

#include <algorithm>

#include "cli/utf8.h"

namespace tarnwell::cli {
namespace {

// The bytes of the character starting at text[i] when it is valid UTF-8 and
// shown as itself, or 0 for a control character or a byte that starts no
// valid character (either is then escaped byte by byte).
size_t ShownLength(std::string_view text, size_t i) {
  const size_t length = Utf8SequenceLength(text.substr(i));
  const auto lead = static_cast<unsigned char>(text[i]);
  if (length == 1 && (lead < 0x20 || lead == 0x7F)) return 0;
  // U+0080-U+009F, the C1 controls: a terminal acts on U+009B as on ESC [.
  if (length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) <= 0x9F) return 0;
  return length;
}

// Bytes a shell treats specially anywhere in a word.
bool IsShellSpecial(char c) {
  static constexpr std::string_view kSpecial = " !\"$&'()*;<>?[\\]^`{|}";
  return kSpecial.find(c) != std::string_view::npos;
}

void AppendEscaped(std::string& out, unsigned char c) {
  static constexpr std::string_view kNamed = "abtnvfr";  // \a (7) up to \r (13)
  out += '\\';
  if (c >= 7 && c <= 13) {
    out += kNamed[c - 7];
  } else {
    out += static_cast<char>('0' + (c >> 6));
    out += static_cast<char>('0' + ((c >> 3) & 7));
    out += static_cast<char>('0' + (c & 7));
  }
}

}  // namespace

std::string ShellEscape(std::string_view name) {
  bool needs_quotes = name.empty() || name.front() == '~' || name.front() == '#';
  bool has_control = false;
  bool has_single_quote = false;
  bool double_quotes_do = true;  // nothing that is special inside "..."
  for (size_t i = 0, length = 0; i < name.size(); i += std::max<size_t>(length, 1)) {
    const char c = name[i];
    length = ShownLength(name, i);
    if (length == 0) has_control = true;
    if (c == '\'') has_single_quote = true;
    if (c == '$' || c == '`' || c == '"' || c == '\\' || c == '!') double_quotes_do = false;
    if (IsShellSpecial(c)) needs_quotes = true;
  }
  if (!needs_quotes && !has_control) return std::string(name);
  if (has_single_quote && !has_control && double_quotes_do) {
    return "\"" + std::string(name) + "\"";
  }
  std::string out = "'";
  for (size_t i = 0; i < name.size();) {
    const size_t length = ShownLength(name, i);
    if (length == 0) {
      out += "'$'";
      AppendEscaped(out, static_cast<unsigned char>(name[i]));
      out += "''";
      ++i;
    } else if (name[i] == '\'') {
      out += "'\\''";
      ++i;
    } else {
      out.append(name.substr(i, length));
      i += length;
    }
  }
  out += '\'';
  return out;
}

std::string TerminalSafe(std::string_view row) {
  std::string out;
  out.reserve(row.size());
  for (size_t i = 0; i < row.size();) {
    const size_t length = ShownLength(row, i);
    if (length == 0) {
      AppendEscaped(out, static_cast<unsigned char>(row[i]));
      ++i;
    } else {
      out.append(row.substr(i, length));
      i += length;
    }
  }
  return out;
}

}  // namespace tarnwell::cli
