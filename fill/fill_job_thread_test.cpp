// The fill on its worker thread while the window's thread cancels it, as the
// window does: meant for the tsan suite.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <thread>

#include "fill/fill_levels.h"
#include "fill/leftovers.h"
#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::fill {
namespace {

TEST(FillThread, CancelFromAnotherThreadDeletesEveryFile) {
  testing::TempDir dir;
  testing::TempDir state;
  platform::FaultEnv env(platform::DefaultEnv());
  std::atomic<int> writes{0};
  // A small, slow volume, so the cancel comes while files are being written.
  env.fail_write = [&](const std::string&, uint64_t offset, size_t,
                       bool) -> std::optional<platform::Result<size_t>> {
    // Bounded, should the cancel go unnoticed.
    if (++writes > 200) return platform::Status::Error(ENOSPC, "write: No space left on device");
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (offset >= 2'000'000) return platform::Status::Error(EFBIG, "write: File too large");
    return std::nullopt;
  };
  testing::RecordingSink sink;
  core::RunState run_state;
  FillOptions options;
  options.state_folder = state.path();
  FillReport report;
  std::thread worker(
      [&] { report = FillFreeSpace(env, sink, run_state, dir.MakeDir("x"), options); });
  while (writes.load() < 5 || run_state.fill_running.load() == 0) std::this_thread::yield();
  run_state.fill_running = 0;
  worker.join();

  EXPECT_TRUE(report.stopped);
  EXPECT_GE(report.files, 1);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    EXPECT_FALSE(IsFillFileName(entry.path().filename().string())) << entry.path();
  }
}

}  // namespace
}  // namespace tarnwell::fill
