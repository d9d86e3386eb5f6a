#include "cli/shell_quote.h"

namespace tarnwell::cli {
namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

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
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsControl(byte)) has_control = true;
    if (c == '\'') has_single_quote = true;
    if (c == '$' || c == '`' || c == '"' || c == '\\' || c == '!') double_quotes_do = false;
    if (IsControl(byte) || IsShellSpecial(c)) needs_quotes = true;
  }
  if (!needs_quotes) return std::string(name);
  if (has_single_quote && !has_control && double_quotes_do) {
    return "\"" + std::string(name) + "\"";
  }
  std::string out = "'";
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsControl(byte)) {
      out += "'$'";
      AppendEscaped(out, byte);
      out += "''";
    } else if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  out += '\'';
  return out;
}

}  // namespace tarnwell::cli
