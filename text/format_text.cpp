// Formatting without the C library's varargs, which would crash on a mismatch.
#include "text/format_text.h"

namespace tarnwell::text {

std::string FormatArg::ToText() const {
  if (const auto* number = std::get_if<int64_t>(&value_)) return std::to_string(*number);
  if (const auto* number = std::get_if<uint64_t>(&value_)) return std::to_string(*number);
  return std::string(std::get<std::string_view>(value_));
}

std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  auto next = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    const char conversion = i + 1 < format.size() ? format[i + 1] : '\0';
    if (c != '%' || (conversion != '%' && conversion != 'd' && conversion != 's')) {
      out += c;
      continue;
    }
    ++i;
    if (conversion == '%') {
      out += '%';
    } else if (next != args.end()) {
      out += (next++)->ToText();
    } else {
      out += '%';
      out += conversion;
    }
  }
  return out;
}

}  // namespace tarnwell::text
