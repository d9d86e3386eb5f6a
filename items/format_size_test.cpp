#include "items/format_size.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tarnwell::items {
namespace {

platform::NumberFormat PointFormat() {
  platform::NumberFormat f;
  f.decimal_point = ".";
  f.thousands_separator = ",";
  f.grouping = 3;
  return f;
}

TEST(FormatSize, UnitsDecimalsAndDoubleRounding) {
  const struct {
    uint64_t bytes;
    const char* text;
  } rows[] = {
      {0, "0.0 byte"},
      {999, "999.0 byte"},
      {1'000, "1.0 KB"},
      {1'536, "1.5 KB"},
      {9'999, "9.8 KB"},
      {10'000, "9.8 KB"},
      {100'000, "98.0 KB"},
      {999'999, "977.0 KB"},
      {1'000'000, "1.0 MB"},
      {1'048'576, "1.0 MB"},
      {999'999'999, "954.0 MB"},
      {1'000'000'000, "0.9 GB"},
      {1'073'741'824, "1.0 GB"},
      {100'000'000'000, "93.0 GB"},
      {5'000'000'000'000, "4,657.0 GB"},
      {10'230, "10.0 KB"},  // 9.99 rounds up across the decimal point
      {UINT64_MAX, "17,179,869,184.0 GB"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(FormatSize(row.bytes, PointFormat()), row.text) << row.bytes;
}

TEST(FormatSize, SeparatorsGroupingAndLeadingZeroComeFromTheFormat) {
  platform::NumberFormat comma;
  comma.decimal_point = ",";
  comma.thousands_separator = ".";
  comma.grouping = 3;
  EXPECT_EQ(FormatSize(5'000'000'000'000, comma), "4.657,0 GB");
  platform::NumberFormat no_zero = PointFormat();
  no_zero.leading_zero = false;
  EXPECT_EQ(FormatSize(1'000'000'000, no_zero), ".9 GB");
  EXPECT_EQ(FormatSize(1'536, no_zero), "1.5 KB");
  platform::NumberFormat plain;  // no grouping at all
  EXPECT_EQ(FormatSize(5'000'000'000'000, plain), "4657.0 GB");
}

TEST(FormatSize, ProcessFormatIsUsedByTheShortForm) {
  SetNumberFormat(PointFormat());
  EXPECT_EQ(FormatSize(5'000'000'000'000), "4,657.0 GB");
  SetNumberFormat(platform::NumberFormat());
}

// Reads a real German locale through the platform, which must not depend on
// (or change) the process locale.
TEST(FormatSize, GermanLocaleReadFromThePosixLocale) {
  if (std::system("locale -a 2>/dev/null | grep -qi '^de_DE.utf8$'") != 0 &&
      std::system("localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed and localedef could not make it";
  }
  const char* saved = std::getenv("LC_ALL");
  const std::string old = saved ? saved : "";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  const platform::NumberFormat german = platform::DefaultEnv().UserNumberFormat();
  if (saved)
    setenv("LC_ALL", old.c_str(), 1);
  else
    unsetenv("LC_ALL");
  EXPECT_EQ(german.decimal_point, ",");
  EXPECT_EQ(FormatSize(5'000'000'000'000, german), "4.657,0 GB");
}

}  // namespace
}  // namespace tarnwell::items
