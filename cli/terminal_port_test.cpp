#include "cli/terminal_port.h"

#include <gtest/gtest.h>

#include <sstream>

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
  TerminalPort port(out_, err_, /*interactive=*/true, 60);
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
  TerminalPort port(out_, err_, /*interactive=*/false, 0);
  for (double p = 0; p <= 100; p += 2.5) port.ShowProgress(Snapshot(p));
  const std::string out = out_.str();
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 11);
  EXPECT_EQ(out.find('\r'), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::cli
