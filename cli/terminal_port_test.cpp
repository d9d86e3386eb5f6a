#include "cli/terminal_port.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/shell_quote.h"
#include "text/catalog.h"

namespace tarnwell::cli {
namespace {

job::Progress Snapshot(double percentage) {
  job::Progress s;
  s.total = 100 * 1024 * 1024;
  s.done = static_cast<uint64_t>(s.total * percentage / 100);
  s.percentage = percentage;
  s.elapsed_seconds = 2;
  s.remaining_seconds = 2 * (100 - percentage) / std::max(percentage, 1.0);
  return s;
}

class TerminalPortTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    text::BuildTextCatalog();
    text::SetCurrentLanguage(1);
  }
  std::ostringstream out_, err_;
};

TEST_F(TerminalPortTest, BarShowsPercentageRateAndRemainingWithinTheWidth) {
  const std::string line = TerminalPort::ProgressLine(Snapshot(50), 80);
  EXPECT_EQ(line.size(), 80u - 1u) << line;
  EXPECT_NE(line.find("50.0 %"), std::string::npos) << line;
  EXPECT_NE(line.find("25.0 MB/s"), std::string::npos) << line;
  EXPECT_NE(line.find("2 sec."), std::string::npos) << line;
  const size_t hashes = std::count(line.begin(), line.end(), '#');
  const size_t dots = line.find(']') - 1;
  EXPECT_EQ(hashes, dots / 2);
  // Far too narrow a terminal still gets a readable bar; beyond 100 % it stays full.
  EXPECT_EQ(TerminalPort::ProgressLine(Snapshot(150), 5).substr(0, 12), "[##########]");
}

TEST_F(TerminalPortTest, RowsGoToTheirStreamsAndABarIsClearedFirst) {
  TerminalPort port(out_, err_, /*interactive=*/true, 60, {});
  port.ShowProgress(Snapshot(10));
  port.InsertMessage("Start ...", core::MessageIcon::kInfo);
  port.InsertMessage("/x: gone", core::MessageIcon::kError);
  port.InsertMessage("odd", core::MessageIcon::kWarning);
  EXPECT_EQ(err_.str(), "error: /x: gone\nwarning: odd\n");
  const std::string out = out_.str();
  EXPECT_EQ(out.find('\r'), 0u);
  EXPECT_NE(out.find("\r\x1b[KStart ...\n"), std::string::npos);
}

TEST_F(TerminalPortTest, PlainOutputPrintsOneLinePerTenth) {
  TerminalPort port(out_, err_, /*interactive=*/false, 0, {});
  for (double p = 0; p <= 100; p += 2.5) port.ShowProgress(Snapshot(p));
  const std::string out = out_.str();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 11);
  EXPECT_EQ(out.find('\r'), std::string::npos);
}

// A name that tries to wipe its own row and print a fake summary, and bytes a
// UTF-8 terminal would act on or misread (C1 CSI, stray, overlong, surrogate,
// too large and cut-off sequences).
TEST_F(TerminalPortTest, RowsOnATerminalShowControlBytesInsteadOfObeyingThem) {
  const std::string forged = "/t/x\r\x1b[2K\x1b[1AFinished: 2 items erased, 0 errors\x07\x7f";
  const std::string shown = R"(/t/x\r\033[2K\033[1AFinished: 2 items erased, 0 errors\a\177)";
  const std::string odd =
      "\xC2\x9B"
      "2J \xFF \xC0\x80 \xED\xA0\x80 \xF4\x90\x80\x80 t\tn\n \xE2\x82";
  const std::string odd_shown =
      R"(\302\2332J \377 \300\200 \355\240\200 \364\220\200\200 t\tn\n \342\202)";
  const std::string fine = " \xC2\xA0\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80 it's \\r";
  TerminalPort port(out_, err_, /*interactive=*/true, 60, {.out = true, .err = true});
  port.ShowProgress(Snapshot(10));
  port.InsertMessage("File: " + forged, core::MessageIcon::kInfo);
  port.InsertMessage(forged + ": denied", core::MessageIcon::kError);
  port.InsertMessage(odd + fine, core::MessageIcon::kWarning);
  EXPECT_EQ(err_.str(), "error: " + shown + ": denied\nwarning: " + odd_shown + fine + "\n");
  // Only the port's own bar redraw moves the cursor on out.
  EXPECT_EQ(out_.str().substr(out_.str().find("\r\x1b[K")), "\r\x1b[KFile: " + shown + "\n");

  // Where a stream is no terminal (a log, a pipe), its rows keep their bytes.
  std::ostringstream log, err;
  TerminalPort logged(log, err, /*interactive=*/false, 0, {.out = false, .err = true});
  logged.InsertMessage("File: " + forged, core::MessageIcon::kInfo);
  logged.InsertMessage(forged, core::MessageIcon::kError);
  EXPECT_EQ(log.str(), "File: " + forged + "\n");
  EXPECT_EQ(err.str(), "error: " + shown + "\n");
  // list quotes names for a shell; C1 controls and stray bytes are escaped there too.
  EXPECT_EQ(ShellEscape("a\xC2\x9B"
                        "b\xFF"),
            R"('a'$'\302'''$'\233''b'$'\377''')");
  EXPECT_EQ(ShellEscape("caf\xC3\xA9 \xE2\x82\xAC"), "'caf\xC3\xA9 \xE2\x82\xAC'");
  EXPECT_EQ(ShellEscape("caf\xC3\xA9"), "caf\xC3\xA9");
}

}  // namespace
}  // namespace tarnwell::cli
