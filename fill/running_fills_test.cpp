// Fills beside each other: what a start cleans up, and what it must leave.
#include "fill/running_fills.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fill/leftovers.h"
#include "platform/fault_env.h"
#include "tests/support/recording_port.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::fill {
namespace {

using testing::RecordingPort;
using testing::TempDir;

platform::Env& env = platform::DefaultEnv();

bool HasRowStartingWith(const RecordingPort& port, std::string_view start) {
  for (const auto& message : port.messages()) {
    if (message.text.starts_with(start)) return true;
  }
  return false;
}

TEST(RunningFills, AKilledFillsFilesGoAtAnyStartARunningFillsStay) {
  TempDir state;
  TempDir dir;
  const std::string killed_folder = dir.MakeDir("killed");
  const std::string running_folder = dir.MakeDir("running");

  // A fill killed outright: its record unlocked, its file left in its folder.
  const std::string leftover = NewFillFileName(env, killed_folder);
  dir.Write("killed/" + leftover.substr(killed_folder.size() + 1), "zeros");
  state.Write("fill-0123456789abcdef", killed_folder);

  // A fill that runs: its record and its file locked.
  auto record = RunningFillRecord::Create(env, state.path(), running_folder);
  ASSERT_NE(record, nullptr);
  std::unique_ptr<platform::FileLock> lock;
  const std::string running_file = NewFillFileName(env, running_folder);
  ASSERT_TRUE(env.CreateExclusiveLocked(running_file, 0600, &lock).ok());

  RecordingPort port;
  EXPECT_EQ(CleanUpAfterKilledFills(env, state.path(), port), 1);
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_TRUE(HasRowStartingWith(port, "Removed 1 files left over"));
  EXPECT_TRUE(std::filesystem::exists(running_file));
  EXPECT_FALSE(std::filesystem::exists(state / "fill-0123456789abcdef"));

  // Another fill of the running fill's own folder leaves its file and says so.
  EXPECT_EQ(RemoveFillLeftovers(env, running_folder, port), 0);
  EXPECT_TRUE(std::filesystem::exists(running_file));
  EXPECT_TRUE(HasRowStartingWith(port, "In use by a running fill, left alone: " + running_file));

  // The running fill's end removes its record; its file is a leftover then.
  record.reset();
  EXPECT_TRUE(std::filesystem::is_empty(state.path()));
  lock.reset();
  EXPECT_EQ(RemoveFillLeftovers(env, running_folder, port), 1);
}

TEST(RunningFills, StateFolderIsTheOverrideWhenAbsoluteElseRootsOrTheUsers) {
  platform::FaultEnv fake(env);
  std::optional<std::string> override_folder;
  fake.environment = [&](const std::string& name) -> std::optional<std::string> {
    if (name == "TARNWELL_STATE_DIR") return override_folder;
    if (name == "XDG_RUNTIME_DIR") return "/run/user/1000";
    return std::nullopt;
  };
  fake.user_state_folder = "C:/Users/u/AppData/Local/Tarnwell";

  fake.privileged = true;
  EXPECT_EQ(RuntimeStateFolder(fake), env.MachineStateFolder());
  // A normal user's folder is the system's, not the POSIX variable's.
  fake.privileged = false;
  EXPECT_EQ(RuntimeStateFolder(fake), "C:/Users/u/AppData/Local/Tarnwell");
  fake.user_state_folder = "";
  EXPECT_EQ(RuntimeStateFolder(fake), "");

  override_folder = "/var/state";
  EXPECT_EQ(RuntimeStateFolder(fake), "/var/state");
  fake.privileged = true;
  EXPECT_EQ(RuntimeStateFolder(fake), "/var/state");
  override_folder = "state";
  EXPECT_EQ(RuntimeStateFolder(fake), env.MachineStateFolder());

  // Absolute as the system has it: a drive letter where paths have them.
  fake.is_absolute = [](const std::string& path) { return path.starts_with("D:/"); };
  override_folder = "D:/state";
  EXPECT_EQ(RuntimeStateFolder(fake), "D:/state");
  override_folder = "D:state";
  EXPECT_EQ(RuntimeStateFolder(fake), env.MachineStateFolder());
}

}  // namespace
}  // namespace tarnwell::fill
