// The job on its own thread while the window's thread cancels and changes the
// delay: meant for the tsan suite.
#include <gtest/gtest.h>

#include <filesystem>

#include "erase/erase_job.h"
#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

TEST(EraseJobThread, CancelFromAnotherThreadStopsTheCountdown) {
  testing::TempDir dir;
  const std::string file = dir.Write("keep", "data");
  platform::FaultEnv fault(platform::DefaultEnv());
  testing::RecordingSink sink;
  const testing::RecordingPort& port = sink.port();
  core::RunState state;
  std::thread job = StartEraseJob(EraseJobContext{.env = fault,
                                                  .sink = sink,
                                                  .run_state = state,
                                                  .listed = testing::PinPaths({file}),
                                                  .refresh_list = nullptr,
                                                  .options = {},
                                                  .passes_asked = 1,
                                                  .delay_seconds = 10});
  while (port.messages().size() < 3) std::this_thread::yield();
  state.delete_delay_seconds = 9;
  state.stop_asked = 1;
  job.join();
  EXPECT_EQ(port.messages().back().text, "Abort // [ESC]");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace tarnwell::erase
