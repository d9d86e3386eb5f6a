// The job on its own thread while the window's thread cancels and changes the
// delay: meant for the tsan suite.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

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

// Renames, deletes and the scrubs of emptied folders run on workers, each
// with whole folders.
TEST(EraseJobThread, ABatchAcrossFoldersIsErasedOnWorkers) {
  testing::TempDir dir;
  std::vector<std::string> files;
  std::vector<std::string> folders;
  for (int folder = 0; folder < 5; ++folder) {
    const std::string name = "d" + std::to_string(folder);
    folders.push_back(dir.MakeDir(name));
    for (int i = 0; i <= folder * 7; ++i) {
      files.push_back(dir.Write(name + "/f" + std::to_string(i), "secret"));
    }
  }
  std::vector<std::string> paths = files;
  paths.insert(paths.end(), folders.begin(), folders.end());
  platform::FaultEnv fault(platform::DefaultEnv());
  std::set<std::thread::id> renaming;
  int renames = 0;
  fault.observe = [&](const std::string& operation, const std::string&) {
    if (operation != "RenameAt") return;
    renaming.insert(std::this_thread::get_id());
    ++renames;
  };
  testing::RecordingSink sink;
  core::RunState state;
  StartEraseJob(EraseJobContext{.env = fault,
                                .sink = sink,
                                .run_state = state,
                                .listed = testing::PinPaths(paths),
                                .refresh_list = nullptr,
                                .options = {},
                                .passes_asked = 1,
                                .delay_seconds = 0})
      .join();
  EXPECT_TRUE(sink.Failures().empty());
  EXPECT_EQ(sink.results().size(), paths.size());
  EXPECT_EQ(renames, static_cast<int>(paths.size()) * 7);
  EXPECT_GE(renaming.size(), 2u);
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace tarnwell::erase
