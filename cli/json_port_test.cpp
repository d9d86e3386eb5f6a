#include "cli/json_port.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tarnwell::cli {
namespace {

TEST(JsonString, EscapesWhatJsonForbidsAndReplacesBytesThatAreNotUtf8) {
  EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonString("tab\tnl\n\x7f"), R"("tab\u0009nl\u000a\u007f")");
  EXPECT_EQ(JsonString("Größe ✓ 😀"), "\"Größe ✓ 😀\"");
  // A lone continuation byte, a cut sequence, an overlong slash, a surrogate.
  EXPECT_EQ(JsonString("\x80|\xC3|\xC0\xAF|\xED\xA0\x80"),
            "\"\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|"
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonPort, SummaryCountsListedErasedAndMessageLevels) {
  std::ostringstream out;
  JsonPort port(out, platform::DefaultEnv());
  port.ItemRowsChanged(5);
  port.InsertMessage("x", core::MessageIcon::kError);
  port.InsertMessage("y", core::MessageIcon::kWarning);
  port.ItemRowsChanged(1);
  port.ShowProgress({.done = 3, .total = 4, .percentage = 75});
  port.Finish("erase", 1);
  EXPECT_EQ(out.str(),
            "{\"type\":\"message\",\"level\":\"error\",\"text\":\"x\"}\n"
            "{\"type\":\"message\",\"level\":\"warning\",\"text\":\"y\"}\n"
            "{\"type\":\"progress\",\"done\":3,\"total\":4,\"percent\":75.0}\n"
            "{\"type\":\"summary\",\"command\":\"erase\",\"listed\":5,\"remaining\":1,"
            "\"erased\":4,\"errors\":1,\"warnings\":1,\"exit_status\":1}\n");
}

}  // namespace
}  // namespace tarnwell::cli
