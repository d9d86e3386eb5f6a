#include "cli/shell_quote.h"

#include <cstdint>

namespace tarnwell::cli {
namespace {

// The bytes of the character starting at text[i] when it is valid UTF-8 and
// shown as itself, or 0 for a control character or a byte that starts no
// valid character (either is then escaped byte by byte).
size_t ShownLength(std::string_view text, size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) return lead < 0x20 || lead == 0x7F ? 0 : 1;
  size_t length = 0;
  uint32_t code = 0;
  uint32_t smallest = 0;  // below it the encoding is overlong
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, smallest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  const bool c1_control = code <= 0x9F;  // also decoded: a terminal acts on U+009B as on ESC [
  if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF) || c1_control) {
    return 0;
  }
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
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (ShownLength(name, i) == 0) has_control = true;
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
