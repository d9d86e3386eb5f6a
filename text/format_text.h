// printf-style filling of catalogue format texts ("%d", "%s", "%%") with
// values checked at run time, so a translation with a wrong or extra
// conversion shows odd text instead of crashing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace tarnwell::text {

// One argument: an integer or UTF-8 text.
class FormatArg {
 public:
  FormatArg(int value) : value_(int64_t{value}) {}                   // NOLINT: implicit on purpose
  FormatArg(long value) : value_(int64_t{value}) {}                  // NOLINT
  FormatArg(long long value) : value_(int64_t{value}) {}             // NOLINT
  FormatArg(unsigned value) : value_(uint64_t{value}) {}             // NOLINT
  FormatArg(unsigned long value) : value_(uint64_t{value}) {}        // NOLINT
  FormatArg(unsigned long long value) : value_(uint64_t{value}) {}   // NOLINT
  FormatArg(std::string_view value) : value_(value) {}               // NOLINT
  FormatArg(const char* value) : value_(std::string_view(value)) {}  // NOLINT
  FormatArg(const std::string& value) : value_(std::string_view(value)) {}  // NOLINT

  // The argument as text, whichever conversion asks for it.
  std::string ToText() const;

 private:
  std::variant<int64_t, uint64_t, std::string_view> value_;
};

// Replaces each "%d" and "%s" with the next argument and "%%" with "%". A
// conversion without an argument stays as written; extra arguments and any
// other "%" sequence are left alone. An integer meeting "%s" or text meeting
// "%d" is shown as it is.
std::string FormatText(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace tarnwell::text
