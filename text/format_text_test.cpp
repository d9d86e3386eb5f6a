#include "text/format_text.h"

#include <gtest/gtest.h>

namespace tarnwell::text {
namespace {

TEST(FormatText, FillsConversionsInOrder) {
  EXPECT_EQ(FormatText("The begin in %d sec. Abort with [ESC]", {5}),
            "The begin in 5 sec. Abort with [ESC]");
  EXPECT_EQ(FormatText("%s: %d%% of %s", {"Größe", -3, std::string("1.0 MB")}),
            "Größe: -3% of 1.0 MB");
  EXPECT_EQ(FormatText("%d", {uint64_t{18446744073709551615u}}), "18446744073709551615");
}

TEST(FormatText, MismatchesNeverCrash) {
  EXPECT_EQ(FormatText("%d and %s", {}), "%d and %s");
  EXPECT_EQ(FormatText("%d and %s", {7}), "7 and %s");
  EXPECT_EQ(FormatText("%s", {42}), "42");
  EXPECT_EQ(FormatText("%d", {"text"}), "text");
  EXPECT_EQ(FormatText("no conversion", {1, 2}), "no conversion");
  EXPECT_EQ(FormatText("%x %5d %n 100%", {1}), "%x %5d %n 100%");
}

}  // namespace
}  // namespace tarnwell::text
