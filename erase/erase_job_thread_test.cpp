// The job on its own thread while the window's thread cancels and changes the
// delay: meant for the tsan suite.
#include <gtest/gtest.h>

#include <filesystem>

#include "erase/erase_job.h"
#include "platform/fault_env.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_port.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

TEST(EraseJobThread, CancelFromAnotherThreadStopsTheCountdown) {
  testing::TempDir dir;
  const std::string file = dir.Write("keep", "data");
  platform::FaultEnv fault(platform::DefaultEnv());
  settings::SettingsStore settings(fault, dir / "settings.ini");
  settings.WriteIntSetting(settings::kOptionsSection, "del_delay", 10);
  testing::RecordingPort port;
  core::RunState state;
  std::thread job = StartEraseJob(EraseJobContext{
      fault, settings, port, state, testing::PinPaths({file}), nullptr, {}, {}, {}, {}});
  while (port.messages().size() < 3) std::this_thread::yield();
  state.deleteDelaySeconds = 9;
  state.stopRequested = 1;
  job.join();
  EXPECT_EQ(port.messages().back().text, "Abort // [ESC]");
  EXPECT_TRUE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace tarnwell::erase
