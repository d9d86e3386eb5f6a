#include "job/progress_reporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"

namespace tarnwell::job {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::RecordingPort;
using testing::RecordingSink;

// A job that missed anything never reads 100 %, however close it came.
TEST(FinalPercentage, AllOnlyWhenCompleteOtherwiseRoundedDown) {
  EXPECT_EQ(FinalPercentage(10, 10, true), 100.0);
  EXPECT_EQ(FinalPercentage(0, 0, true), 100.0);
  EXPECT_EQ(FinalPercentage(9999, 10000, false), 99.9);
  EXPECT_EQ(FinalPercentage(10000, 10000, false), 99.9);
  EXPECT_EQ(FinalPercentage(30000, 10000, false), 99.9);
  EXPECT_EQ(FinalPercentage(1, 3, false), 33.3);
  EXPECT_EQ(FinalPercentage(0, 0, false), 0.0);
}

TEST(FormatDuration, MinutesSecondsAndTheEdges) {
  EXPECT_EQ(ui::FormatDuration(0.4), "< 1 sec.");
  EXPECT_EQ(ui::FormatDuration(-3.0), "< 1 sec.");
  EXPECT_EQ(ui::FormatDuration(42.9), "42 sec.");
  EXPECT_EQ(ui::FormatDuration(60), "1 min., 0 sec.");
  EXPECT_EQ(ui::FormatDuration(7265), "121 min., 5 sec.");
  // Minutes beyond the 32-bit range, infinity and NaN never overflow.
  EXPECT_EQ(ui::FormatDuration(1e300), "> 2147483647 min.");
  EXPECT_EQ(ui::FormatDuration(INFINITY), "> 2147483647 min.");
  EXPECT_EQ(ui::FormatDuration(NAN), "> 2147483647 min.");
}

class ProgressReporterTest : public ::testing::Test {
 protected:
  ProgressReporterTest() : fault_(platform::DefaultEnv()), progress_(fault_, sink_) {
    fault_.clock = [this] { return now_; };
  }
  int64_t now_ = 1'000'000;
  platform::FaultEnv fault_;
  RecordingSink sink_;
  RecordingPort& port_ = sink_.port();
  ProgressReporter progress_;
};

TEST_F(ProgressReporterTest, RedrawsAtMostEveryHundredMilliseconds) {
  progress_.Start();
  now_ += 100;
  progress_.ReportProgress(1, 2);  // the first 100 ms show nothing
  EXPECT_THAT(port_.titles(), IsEmpty());
  now_ += 1;
  progress_.ReportProgress(1, 2);
  now_ += 50;
  progress_.ReportProgress(1, 2);
  EXPECT_EQ(port_.titles().size(), 1u);
  now_ += 51;
  progress_.ReportProgress(1, 2);
  EXPECT_EQ(port_.titles().size(), 2u);
}

TEST_F(ProgressReporterTest, HalfDoneAfterThirtySecondsShowsEveryPart) {
  progress_.Start();
  now_ += 30'000;
  progress_.ReportProgress(2 * 1024 * 1024, 4 * 1024 * 1024);
  EXPECT_THAT(port_.instruction_texts(),
              ElementsAre("Remaining: 30 sec. || Elapsed: 30 sec.\n50.0 % 2.0 MB of 4.0 MB"));
  EXPECT_THAT(port_.status_texts(), ElementsAre("50.0 % 2.0 MB of 4.0 MB"));
  EXPECT_THAT(port_.titles(), ElementsAre("[50.0 %] Tarnwell 3.13"));
}

TEST_F(ProgressReporterTest, NothingToDoNothingDoneAndMoreThanAllNeverBreak) {
  progress_.Start();
  now_ += 1000;
  progress_.ReportProgress(0, 0);
  now_ += 1000;
  progress_.ReportProgress(0, 100);
  now_ += 1000;
  progress_.ReportProgress(150, 100);
  EXPECT_THAT(port_.titles(), ElementsAre("[100.0 %] Tarnwell 3.13", "[0.0 %] Tarnwell 3.13",
                                          "[150.0 %] Tarnwell 3.13"));
  const std::vector<std::string> texts = port_.instruction_texts();
  EXPECT_EQ(texts[0].substr(0, 22), "Remaining: < 1 sec. ||");
  EXPECT_EQ(texts[1].substr(0, 31), "Remaining: > 2147483647 min. ||");
  EXPECT_EQ(texts[2].substr(0, 22), "Remaining: < 1 sec. ||");
}

}  // namespace
}  // namespace tarnwell::job
