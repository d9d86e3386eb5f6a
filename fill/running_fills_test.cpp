// Fills beside each other: what a start cleans up, and what it must leave.
#include "fill/running_fills.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "fill/leftovers.h"
#include "platform/fault_env.h"
#include "tests/support/recording_sink.h"
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

std::unique_ptr<platform::Folder> Held(const std::string& path) {
  return std::move(env.OpenFolder(path, nullptr).value());
}

std::string RecordOf(const std::string& folder) {
  const platform::FileInfo info = *env.Describe(folder);
  return std::to_string(info.device) + " " + std::to_string(info.inode) + "\n" + folder;
}

TEST(RunningFills, AKilledFillsFilesGoAtAnyStartARunningFillsStay) {
  TempDir state;
  TempDir dir;
  const std::string killed_folder = dir.MakeDir("killed");
  const std::string running_folder = dir.MakeDir("running");

  // A fill killed outright: its record unlocked, its file left in its folder.
  const std::string leftover = dir.Write("killed/" + NewFillFileName(env), "zeros");
  state.Write("fill-0123456789abcdef", RecordOf(killed_folder));

  // A fill that runs: its record and its file locked.
  std::unique_ptr<platform::Folder> state_folder = Held(state.path());
  auto record =
      NoteRunningFill(env, state_folder.get(), running_folder, *env.Describe(running_folder));
  ASSERT_NE(record, nullptr);
  std::unique_ptr<platform::FileLock> lock;
  std::unique_ptr<platform::Folder> running = Held(running_folder);
  const std::string running_name = NewFillFileName(env);
  const std::string running_file = running_folder + "/" + running_name;
  ASSERT_TRUE(running->CreateLockedAt(running_name, &lock).ok());

  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  EXPECT_EQ(CleanUpAfterKilledFills(env, state.path(), sink), 1);
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_TRUE(HasRowStartingWith(port, "Removed 1 files left over"));
  EXPECT_TRUE(std::filesystem::exists(running_file));
  EXPECT_FALSE(std::filesystem::exists(state / "fill-0123456789abcdef"));

  // Another fill of the running fill's own folder leaves its file and says so.
  EXPECT_EQ(RemoveFillLeftovers(*running, sink), 0);
  EXPECT_TRUE(std::filesystem::exists(running_file));
  EXPECT_TRUE(HasRowStartingWith(port, "In use by a running fill, left alone: " + running_file));

  // The running fill's end removes its record; its file is a leftover then.
  record.reset();
  EXPECT_TRUE(std::filesystem::is_empty(state.path()));
  lock.reset();
  EXPECT_EQ(RemoveFillLeftovers(*running, sink), 1);
}

TEST(RunningFills, AKilledFillsFolderSwappedOrUnidentifiedIsNotFollowed) {
  TempDir state;
  TempDir dir;
  const std::string folder = dir.MakeDir("home/user/fill");
  const std::string other = dir.MakeDir("other");
  const std::string planted = dir.Write("other/" + NewFillFileName(env), "someone's data");
  state.Write("fill-00000000000000aa", RecordOf(folder));
  // The user puts a link to another folder where the fill's folder was.
  std::filesystem::rename(folder, dir / "home/user/moved");
  std::filesystem::create_directory_symlink(other, folder);
  // A record without an identity names a folder, nothing more.
  state.Write("fill-00000000000000bb", other);

  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  EXPECT_EQ(CleanUpAfterKilledFills(env, state.path(), sink), 0);
  EXPECT_EQ(testing::ReadAll(planted), "someone's data");
  EXPECT_TRUE(
      HasRowStartingWith(port, "Left alone the files of an interrupted fill in " + folder + ":"));
  EXPECT_TRUE(
      HasRowStartingWith(port, "Left alone the files of an interrupted fill in " + other + ":"));
  EXPECT_TRUE(std::filesystem::is_empty(state.path()));
}

TEST(RunningFills, AStateFolderNotOursAloneIsRefusedWithARow) {
  TempDir dir;
  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  const std::string fine = dir / "fine";
  EXPECT_NE(job::OpenStateFolder(env, fine, sink), nullptr);
  EXPECT_EQ(env.Describe(fine)->mode, 0700u);

  const std::string open_to_all = dir.MakeDir("open");
  std::filesystem::permissions(open_to_all, std::filesystem::perms(0755));
  const std::string link = dir / "link";
  std::filesystem::create_directory_symlink(fine, link);
  const std::vector<std::string> refused{open_to_all, link};
  for (const std::string& path : refused) {
    EXPECT_EQ(job::OpenStateFolder(env, path, sink), nullptr) << path;
    EXPECT_TRUE(HasRowStartingWith(port, "Notes of running jobs are not kept in " + path)) << path;
  }
  // Nothing is made or cleaned in a refused folder.
  dir.Write("open/fill-00000000000000cc", dir.path());
  EXPECT_EQ(CleanUpAfterKilledFills(env, open_to_all, sink), 0);
  EXPECT_TRUE(std::filesystem::exists(open_to_all + "/fill-00000000000000cc"));
  if (geteuid() == 0) {
    const std::string theirs = dir.MakeDir("theirs");
    std::filesystem::permissions(theirs, std::filesystem::perms(0700));
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_EQ(job::OpenStateFolder(env, theirs, sink), nullptr);
    EXPECT_TRUE(HasRowStartingWith(port, "Notes of running jobs are not kept in " + theirs));
  }
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
  EXPECT_EQ(job::RuntimeStateFolder(fake), env.MachineStateFolder());
  // A normal user's folder is the system's, not the POSIX variable's.
  fake.privileged = false;
  EXPECT_EQ(job::RuntimeStateFolder(fake), "C:/Users/u/AppData/Local/Tarnwell");
  fake.user_state_folder = "";
  EXPECT_EQ(job::RuntimeStateFolder(fake), "");

  override_folder = "/var/state";
  EXPECT_EQ(job::RuntimeStateFolder(fake), "/var/state");
  fake.privileged = true;
  EXPECT_EQ(job::RuntimeStateFolder(fake), "/var/state");
  override_folder = "state";
  EXPECT_EQ(job::RuntimeStateFolder(fake), env.MachineStateFolder());

  // Absolute as the system has it: a drive letter where paths have them.
  fake.is_absolute = [](const std::string& path) { return path.starts_with("D:/"); };
  override_folder = "D:/state";
  EXPECT_EQ(job::RuntimeStateFolder(fake), "D:/state");
  override_folder = "D:state";
  EXPECT_EQ(job::RuntimeStateFolder(fake), env.MachineStateFolder());
}

}  // namespace
}  // namespace tarnwell::fill
