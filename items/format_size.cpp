#include "items/format_size.h"

#include <charconv>

namespace tarnwell::items {
namespace {

platform::NumberFormat& ProcessFormat() {
  static platform::NumberFormat format;
  return format;
}

// "%.<decimals>f" of value in the C locale, whatever the process locale.
std::string Fixed(double value, int decimals) {
  char buffer[64];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
  return std::string(buffer, result.ptr);
}

// Rounds a plain decimal text ("1.49", "999", "9.96") to exactly one
// fractional digit, a following digit of 5 or more rounding up.
void RoundToOneDecimal(std::string& integer, std::string& fraction) {
  const bool up = fraction.size() > 1 && fraction[1] >= '5';
  fraction = fraction.empty() ? "0" : fraction.substr(0, 1);
  if (!up) return;
  std::string digits = integer + fraction;
  size_t i = digits.size();
  while (i > 0) {
    --i;
    if (digits[i] == '9') {
      digits[i] = '0';
    } else {
      ++digits[i];
      break;
    }
    if (i == 0) digits.insert(digits.begin(), '1');
  }
  integer = digits.substr(0, digits.size() - 1);
  fraction = digits.substr(digits.size() - 1);
}

std::string Group(const std::string& integer, const platform::NumberFormat& format) {
  if (format.grouping <= 0 || format.thousands_separator.empty()) return integer;
  const size_t group = static_cast<size_t>(format.grouping);
  std::string out;
  for (size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % group == 0) out += format.thousands_separator;
    out += integer[i];
  }
  return out;
}

}  // namespace

std::string FormatSize(uint64_t bytes, const platform::NumberFormat& format) {
  std::string first;
  const char* unit = " byte";
  if (bytes >= 1'000'000) {
    // The quotient drops the last digits before scaling, and it, not the
    // value, picks the number of decimals.
    const bool giga = bytes >= 1'000'000'000;
    const uint64_t q = giga ? bytes / 10'000'000 : bytes / 10'000;
    const double factor = giga ? 0.009313225746154785 : 0.0095367431640625;
    first = Fixed(static_cast<double>(q) * factor, q >= 10'000 ? 0 : q >= 1'000 ? 1 : 2);
    unit = giga ? " GB" : " MB";
  } else if (bytes >= 1'000) {
    const uint64_t q = bytes / 10;
    first = Fixed(static_cast<double>(q) * 0.009765625, q >= 10'000 ? 0 : q >= 1'000 ? 1 : 2);
    unit = " KB";
  } else {
    first = std::to_string(bytes);
  }
  const size_t point = first.find('.');
  std::string integer = first.substr(0, point);
  std::string fraction = point == std::string::npos ? "" : first.substr(point + 1);
  RoundToOneDecimal(integer, fraction);
  std::string text = (integer == "0" && !format.leading_zero) ? "" : Group(integer, format);
  text += format.decimal_point;
  text += fraction;
  return text + unit;
}

std::string FormatSize(uint64_t bytes) { return FormatSize(bytes, ProcessFormat()); }

void SetNumberFormat(const platform::NumberFormat& format) { ProcessFormat() = format; }

}  // namespace tarnwell::items
