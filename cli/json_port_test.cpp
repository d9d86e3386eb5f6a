#include "cli/json_port.h"

#include <gtest/gtest.h>

#include <sstream>

#include "text/catalog.h"

namespace tarnwell::cli {
namespace {

TEST(JsonString, EscapesWhatJsonForbidsAndReplacesBytesThatAreNotUtf8) {
  EXPECT_EQ(JsonString("a\"b\\c"), R"("a\"b\\c")");
  EXPECT_EQ(JsonString("tab\tnl\n\x7f"), R"("tab\u0009nl\u000a\u007f")");
  // Every control byte, the NUL included, is escaped: a raw one breaks the line.
  for (int byte = 0; byte < 0x20; ++byte) {
    static constexpr char kHex[] = "0123456789abcdef";
    const std::string escaped = std::string("\"\\u00") + kHex[byte >> 4] + kHex[byte & 0xF] + "\"";
    EXPECT_EQ(JsonString(std::string(1, static_cast<char>(byte))), escaped) << byte;
  }
  EXPECT_EQ(JsonString("Größe ✓ 😀"), "\"Größe ✓ 😀\"");
  // A lone continuation byte, a cut sequence, an overlong slash, a surrogate.
  EXPECT_EQ(JsonString("\x80|\xC3|\xC0\xAF|\xED\xA0\x80"),
            "\"\xEF\xBF\xBD|\xEF\xBF\xBD|\xEF\xBF\xBD\xEF\xBF\xBD|"
            "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"");
}

TEST(JsonPort, EventsBecomeCodedMessagesResultsAndASummary) {
  ASSERT_TRUE(text::BuildTextCatalog());
  text::SetCurrentLanguage(1);
  std::ostringstream out;
  JsonPort port(out, platform::DefaultEnv());
  port.Report(job::ListChanged{5, 0, false});
  port.Report(job::JobStarted{35, 10, 0});
  port.Report(job::ItemResult{.path = "/t/busy",
                              .kind = platform::FileKind::kRegular,
                              .outcome = job::Outcome::kKept,
                              .reason = job::Reason::kInUse,
                              .error_code = 16,
                              .detail = "in use"});
  port.Report(job::ItemResult{.path = "/t/a", .bytes = 7});
  port.Report(job::Notice{.reason = job::Reason::kSteppedOver, .subject = "/t/m"});
  port.Report(job::ListChanged{1, 0, false});
  port.ShowProgress({.done = 3, .total = 4, .percentage = 75});
  port.Finish("erase", 1);
  EXPECT_EQ(out.str(),
            "{\"type\":\"start\",\"passes_asked\":35,\"passes\":10,\"delay\":0}\n"
            "{\"type\":\"message\",\"level\":\"info\",\"code\":\"start\",\"text\":\"Start ...\"}\n"
            "{\"type\":\"message\",\"level\":\"info\",\"code\":\"delay\",\"text\":\"Delete Delay 0 "
            "sec\"}\n"
            "{\"type\":\"message\",\"level\":\"warning\",\"code\":\"passes_limited\",\"text\":"
            "\"Overwriting 10 times, not the 35 asked: that is the most one erase does\"}\n"
            "{\"type\":\"message\",\"level\":\"error\",\"code\":\"in_use\",\"text\":\"In use by "
            "another program, left alone: /t/busy\"}\n"
            "{\"type\":\"result\",\"path\":\"/t/busy\",\"kind\":\"file\",\"outcome\":\"kept\","
            "\"reason\":\"in_use\",\"detail\":\"in use\",\"error_code\":16,\"bytes\":0}\n"
            "{\"type\":\"result\",\"path\":\"/t/a\",\"kind\":\"other\",\"outcome\":\"erased\","
            "\"reason\":\"none\",\"detail\":null,\"error_code\":0,\"bytes\":7}\n"
            "{\"type\":\"message\",\"level\":\"warning\",\"code\":\"stepped_over\",\"text\":"
            "\"Stepped over another file system: /t/m\"}\n"
            "{\"type\":\"progress\",\"done\":3,\"total\":4,\"percent\":75.0}\n"
            "{\"type\":\"summary\",\"command\":\"erase\",\"listed\":5,\"remaining\":1,"
            "\"erased\":4,\"errors\":1,\"warnings\":2,\"exit_status\":1}\n");
}

}  // namespace
}  // namespace tarnwell::cli
