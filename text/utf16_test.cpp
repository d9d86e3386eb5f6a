#include "text/utf16.h"

#include <gtest/gtest.h>

namespace tarnwell::text {
namespace {

TEST(Utf16, ConvertsBothWaysAcrossAllSequenceLengths) {
  const std::string utf8 = "A \xC3\xBC \xD0\x9F \xE2\x82\xAC \xF0\x9F\x98\x80";  // A ü П € 😀
  const std::u16string utf16 = u"A \u00FC \u041F \u20AC \U0001F600";
  EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
  EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Utf16, UnpairedSurrogatesBecomeReplacementCharacters) {
  const std::u16string broken = {u'a', char16_t(0xD800), u'b', char16_t(0xDC00)};
  EXPECT_EQ(Utf16ToUtf8(broken),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(Utf16, RejectsMalformedUtf8) {
  for (const char* bad :
       {"\x80", "\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "ab\xE2\x82", "\xFF"}) {
    EXPECT_FALSE(Utf8ToUtf16(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace tarnwell::text
