#include "erase/erase_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::ReadAll;
using testing::RecordingSink;
using testing::TempDir;
namespace fs = std::filesystem;

// A job over real files with a fake clock: sleeping advances it at once, and
// on_sleep lets a test act "during" the countdown.
class EraseJobTest : public ::testing::Test {
 protected:
  EraseJobTest() : fault_(platform::DefaultEnv()) {
    fault_.clock = [this] { return now_; };
    fault_.sleep = [this](int64_t ms) {
      now_ += ms;
      slept_ += ms;
      if (on_sleep) on_sleep(slept_);
    };
  }

  EraseJobResult Run(std::vector<std::string> paths) {
    return RunEraseJob(EraseJobContext{.env = fault_,
                                       .sink = sink_,
                                       .run_state = state_,
                                       .listed = testing::PinPaths(paths),
                                       .refresh_list = [this] { ++refreshes_; },
                                       .options = {},
                                       .passes_asked = passes_,
                                       .delay_seconds = delay_});
  }

  // Info and error rows in the order they were added (warnings depend on
  // where the test folder lives).
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (const auto& m : port_.messages()) {
      if (m.icon != core::MessageIcon::kWarning) rows.push_back(m.text);
    }
    return rows;
  }

  TempDir dir_;
  platform::FaultEnv fault_;
  RecordingSink sink_;
  const testing::RecordingPort& port_ = sink_.port();
  int passes_ = 1;
  int delay_ = 5;
  core::RunState state_;
  int64_t now_ = 0;
  int64_t slept_ = 0;
  std::function<void(int64_t slept)> on_sleep;
  int refreshes_ = 0;
};

TEST_F(EraseJobTest, CountsDownThenErasesLastRowFirstAndSummarises) {
  const std::string folder = dir_.MakeDir("d");
  const std::string a = dir_.Write("d/a", std::string(3000, 'a'));
  const std::string b = dir_.Write("d/b", std::string(1000, 'b'));
  state_.exit_after_erase = 0;

  const EraseJobResult result = Run({folder, a, b});

  EXPECT_THAT(
      Rows(),
      ElementsAre("Start ...", "Delete Delay 5 sec", "The begin in 5 sec. Abort with [ESC]",
                  "The begin in 4 sec. Abort with [ESC]", "The begin in 3 sec. Abort with [ESC]",
                  "The begin in 2 sec. Abort with [ESC]", "The begin in 1 sec. Abort with [ESC]",
                  "Erasing. [ESC] now stops after the current file.", "Total 3.9 KB",
                  "Finished: 3 items erased, 0 errors"));
  EXPECT_EQ(slept_, 5000);
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_EQ(result.written_bytes, 4000u);
  EXPECT_EQ(refreshes_, 1);
  EXPECT_EQ(port_.titles().back(), "Tarnwell");
  EXPECT_EQ(port_.last_status(), "100.0 % // Error: 0 ");
  // The window's state is the caller's: the job only reports.
  EXPECT_THAT(port_.busy_calls(), IsEmpty());
  EXPECT_FALSE(state_.erase_running.load());
  EXPECT_EQ(sink_.results().size(), 3u);
  for (const job::ItemResult& r : sink_.results()) EXPECT_EQ(r.outcome, job::Outcome::kErased);
}

TEST_F(EraseJobTest, CancelDuringTheCountdownAbortsWithNothingTouched) {
  const std::string file = dir_.Write("keep", "data");
  on_sleep = [this](int64_t slept) {
    if (slept == 1500) state_.stop_asked = 1;
  };
  const EraseJobResult result = Run({file});
  EXPECT_TRUE(result.aborted);
  EXPECT_EQ(ReadAll(file), "data");
  EXPECT_EQ(port_.messages().back().text, "Abort // [ESC]");
  EXPECT_EQ(port_.messages().back().icon, core::MessageIcon::kWarning);
  EXPECT_EQ(Rows().back(), "The begin in 4 sec. Abort with [ESC]");
  EXPECT_THAT(port_.titles(), IsEmpty());
  EXPECT_EQ(refreshes_, 0);
  ASSERT_TRUE(sink_.ResultFor(file));
  EXPECT_EQ(sink_.ResultFor(file)->reason, job::Reason::kAborted);
}

TEST_F(EraseJobTest, DelayChangedDuringTheCountdownCountsAtOnce) {
  on_sleep = [this](int64_t slept) {
    if (slept == 1000) state_.delete_delay_seconds = 3;
  };
  Run({});
  EXPECT_THAT(
      Rows(),
      ElementsAre("Start ...", "Delete Delay 5 sec", "The begin in 5 sec. Abort with [ESC]",
                  "The begin in 2 sec. Abort with [ESC]", "The begin in 1 sec. Abort with [ESC]",
                  "Erasing. [ESC] now stops after the current file.", "Total 0.0 byte",
                  "Finished: 0 items erased, 0 errors"));
}

TEST_F(EraseJobTest, StopBetweenItemsLeavesTheRestWithAReason) {
  delay_ = 0;
  const std::string first = dir_.Write("a", "a");
  const std::string second = dir_.Write("b", "b");
  // The stop comes while the last row (erased first) is written.
  fault_.fail_write = [&](const std::string& path, uint64_t, size_t,
                          bool) -> std::optional<platform::Result<size_t>> {
    if (path == second) state_.stop_asked = 1;
    return std::nullopt;
  };
  const EraseJobResult result = Run({first, second});
  EXPECT_TRUE(result.stopped);
  EXPECT_EQ(sink_.ResultFor(second)->outcome, job::Outcome::kErased);
  EXPECT_EQ(sink_.ResultFor(first)->reason, job::Reason::kStopped);
  EXPECT_EQ(port_.messages().back().text,
            "Stopped: 1 items erased, 1 not erased (still in the list)");
}

TEST_F(EraseJobTest, SummaryShowsTheShareActuallyWritten) {
  delay_ = 0;
  const std::string done = dir_.Write("done", std::string(3000, 'd'));
  const std::string failed = dir_.Write("failed", std::string(1000, 'f'));
  fault_.fail_write = [&](const std::string& path, uint64_t, size_t,
                          bool) -> std::optional<platform::Result<size_t>> {
    if (path == failed) return platform::Result<size_t>(platform::Status::Error(EIO, "write: EIO"));
    return std::nullopt;
  };
  Run({done, failed});
  EXPECT_EQ(port_.last_status(), "75.0 % // Error: 1 ");
  EXPECT_TRUE(fs::exists(failed));
  EXPECT_EQ(sink_.ResultFor(failed)->reason, job::Reason::kWriteFailed);
  EXPECT_EQ(sink_.ResultFor(failed)->error_code, EIO);
}

// A row left alone (a FIFO) means the job did not do all it was given, even
// with every byte written and no error.
TEST_F(EraseJobTest, FinalShareIsAllOnlyWhenEveryListedItemWent) {
  delay_ = 0;
  const std::string fifo = dir_ / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Run({fifo});
  EXPECT_EQ(port_.last_status(), "0.0 % // Error: 0 ");
  const std::string file = dir_.Write("file", std::string(1000, 'f'));
  Run({file, fifo});
  EXPECT_EQ(port_.last_status(), "99.9 % // Error: 0 ");
  EXPECT_LT(sink_.Of<job::JobEnded>().back().percentage, 100.0);
  Run({dir_.Write("alone", "a")});
  EXPECT_EQ(port_.last_status(), "100.0 % // Error: 0 ");
}

TEST_F(EraseJobTest, PassCountIsClampedSaidAndMultipliesTheTotal) {
  passes_ = 20;
  delay_ = -4;
  const std::string file = dir_.Write("f", std::string(1000, 'f'));
  const EraseJobResult result = Run({file, ""});
  EXPECT_EQ(result.pass_count, 10);
  const std::vector<job::JobStarted> started = sink_.Of<job::JobStarted>();
  ASSERT_EQ(started.size(), 1u);
  EXPECT_EQ(started[0].passes_asked, 20);
  EXPECT_EQ(started[0].passes, 10);
  EXPECT_EQ(port_.MessagesWith(core::MessageIcon::kWarning).front(),
            "Overwriting 10 times, not the 20 asked: that is the most one erase does");
  EXPECT_EQ(Rows()[Rows().size() - 2], "Total 9.8 KB");
  EXPECT_EQ(result.written_bytes, 10000u);
  EXPECT_EQ(slept_, 0);
}

TEST_F(EraseJobTest, WarnsOnceWhenTheJournalMayKeepTheNames) {
  platform::Result<platform::MountInfo> mount = fault_.FindMount(dir_.path());
  if (!mount.ok() || (mount->fs_type != "ext4" && mount->fs_type != "ext3")) {
    GTEST_SKIP() << "the test folder is not on ext3 or ext4";
  }
  delay_ = 0;
  const auto journal_warnings = [&] {
    int count = 0;
    for (const job::Notice& n : sink_.Of<job::Notice>()) {
      count += n.reason == job::Reason::kJournalKeepsNames && n.subject == mount->mount_point;
    }
    return count;
  };
  // As without CAP_SYS_ADMIN: the dry run is refused.
  int zero_outs = 0;
  fault_.fail_call = [&](const std::string& op,
                         const std::string&) -> std::optional<platform::Status> {
    if (op != "ZeroOutJournal") return std::nullopt;
    ++zero_outs;
    return platform::Status::Error(EPERM, "checkpoint: Operation not permitted");
  };
  Run({dir_.Write("a", "a"), dir_.Write("b", "b")});
  EXPECT_EQ(zero_outs, 1);
  EXPECT_EQ(journal_warnings(), 1);

  // A file system made without a journal has nothing to clear.
  fault_.fail_call = [](const std::string& op,
                        const std::string&) -> std::optional<platform::Status> {
    if (op != "ZeroOutJournal") return std::nullopt;
    return platform::Status::Error(ENODEV, "no journal");
  };
  Run({dir_.Write("c", "c")});
  EXPECT_EQ(journal_warnings(), 1);
}

}  // namespace
}  // namespace tarnwell::erase
