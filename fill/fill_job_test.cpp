// Whole fills: on the real temporary folder with a fault double that makes it
// a small volume, and as root on real small volumes (tmpfs, an ext4 image).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fill/ext4_reserve.h"
#include "fill/fill_levels.h"
#include "fill/leftovers.h"
#include "fill/test_volume.h"
#include "platform/fault_env.h"
#include "platform/lock_wait.h"
#include "tests/support/recording_sink.h"
#include "tests/support/temp_dir.h"
#include "text/catalog.h"

namespace tarnwell::fill {
namespace {

using testing::RecordingPort;
using testing::TempDir;

platform::Env& real_env = platform::DefaultEnv();

int CountFillFiles(const std::string& folder) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (IsFillFileName(entry.path().filename().string())) ++count;
  }
  return count;
}

int CountRowsStartingWith(const RecordingPort& port, std::string_view start) {
  int count = 0;
  for (const auto& message : port.messages()) count += message.text.starts_with(start);
  return count;
}

std::unique_ptr<platform::Folder> Held(const std::string& path) {
  return std::move(real_env.OpenFolder(path, nullptr).value());
}

uint64_t FreeBytes(const std::string& path) {
  return static_cast<uint64_t>(MeasureDiskSpace(real_env, *Held(path)));
}

Ext4Reserve ReserveOf(const std::string& path) { return *ReadExt4Reserve(real_env, *Held(path)); }

// The state folder holds no note, only lock files.
bool HasNoNotes(const std::string& state) {
  for (const auto& entry : std::filesystem::directory_iterator(state)) {
    if (!entry.path().filename().string().ends_with(".lock")) return false;
  }
  return true;
}

class FillFreeSpaceTest : public ::testing::Test {
 protected:
  FillReport Run(platform::Env& env, const std::string& chosen, FillOptions options = {}) {
    options.state_folder = state_dir.path();
    return FillFreeSpace(env, sink, run_state, chosen, options);
  }
  void ExpectWindowRestored() {
    EXPECT_EQ(port.instruction_texts().back(), text::LookupUtf8(text::TextId::kInstructions));
    EXPECT_EQ(port.titles().back(), text::AboutUtf8(text::AboutId::kProductAndVersion));
    // The window's busy state is the caller's; the fill ends with its event.
    EXPECT_TRUE(port.busy_calls().empty());
    EXPECT_EQ(sink.Of<job::FillEnded>().size(), 1u);
    EXPECT_FALSE(run_state.fill_running.load());
  }

  TempDir dir;
  TempDir state_dir;
  testing::RecordingSink sink;
  RecordingPort& port = sink.port();
  core::RunState run_state;
};

TEST_F(FillFreeSpaceTest, FillsBesideTheChosenFolderAndLeavesNothingBehind) {
  const std::string chosen = dir.MakeDir("data/old");
  SmallVolume volume(5'000'000);
  const FillReport report = Run(volume.env, chosen);
  EXPECT_EQ(report.folder, dir / "data");
  EXPECT_TRUE(report.filled);
  EXPECT_FALSE(report.stopped);
  EXPECT_EQ(report.errors, 0);
  EXPECT_EQ(report.written_bytes, 5'000'000u);
  // The measured free space of the real folder is far larger: two empty
  // files end the chain.
  EXPECT_EQ(report.files, 3);
  EXPECT_EQ(CountRowsStartingWith(port, "File:" + dir / "data/tmp_ttt_"), 3);
  EXPECT_EQ(CountFillFiles(dir / "data"), 0);
  EXPECT_EQ(CountRowsStartingWith(port, "Written: 4.8 MB of "), 1);
  EXPECT_TRUE(port.MessagesWith(core::MessageIcon::kError).empty());
  ExpectWindowRestored();
}

// The blocks the file system took for its own records reach the disk only
// when the journal is checkpointed: that comes after the last zero was
// written and before the first file goes, or the deletes cancel those writes.
TEST_F(FillFreeSpaceTest, SettlesTheVolumeBetweenTheWritesAndTheDeletes) {
  const std::string chosen = dir.MakeDir("data/old");
  SmallVolume volume(300'000);
  std::vector<std::string> calls;
  volume.env.observe = [&](const std::string& operation, const std::string& path) {
    // The data fill's files; the record pass probes the volume before them in
    // a folder of the same shape.
    const size_t first = path.find("/tmp_ttt_");
    const bool fill_file = first != std::string::npos &&
                           path.find("/tmp_ttt_", first + 1) == std::string::npos &&
                           !std::filesystem::is_directory(path);
    if ((operation == "WriteAt" || operation == "RemoveAt") && fill_file)
      calls.push_back(operation);
    if (operation == "SyncFileSystem" || operation == "CheckpointJournal" ||
        operation == "ZeroOutJournal") {
      calls.push_back(operation);
    }
  };
  ASSERT_TRUE(Run(volume.env, chosen).filled);
  const auto last_write = std::find(calls.rbegin(), calls.rend(), "WriteAt").base();
  const auto first_remove = std::find(calls.begin(), calls.end(), "RemoveAt");
  ASSERT_NE(first_remove, calls.end());
  ASSERT_LT(last_write, first_remove);
  const std::vector<std::string> between(last_write, first_remove);
  const bool zeroed = std::count(between.begin(), between.end(), "ZeroOutJournal") > 0;
  const bool synced = std::count(between.begin(), between.end(), "SyncFileSystem") > 0 &&
                      std::count(between.begin(), between.end(), "CheckpointJournal") > 0;
  EXPECT_TRUE(zeroed || synced) << ::testing::PrintToString(between);
}

TEST_F(FillFreeSpaceTest, StopDeletesEveryFileAndEndsEarly) {
  SmallVolume volume(50'000'000);  // bounded, should the stop fail
  volume.on_write = [&](int write) {
    if (write == 5) run_state.fill_running = 0;
  };
  const FillReport report = Run(volume.env, dir.MakeDir("x"));
  EXPECT_TRUE(report.stopped);
  EXPECT_FALSE(report.filled);
  EXPECT_EQ(report.files, 1);
  EXPECT_EQ(CountFillFiles(dir.path()), 0);
  ExpectWindowRestored();
}

// While the window's stop question is open no zero is written; after No
// the fill goes on to the end.
TEST_F(FillFreeSpaceTest, WritesNothingWhileTheStopQuestionIsOpen) {
  SmallVolume volume(5'000'000);
  std::atomic<int> writes{0};
  std::atomic<int> seen_while_paused{-1};
  std::thread answer;
  volume.on_write = [&](int write) {
    writes = write;
    if (write != 3) return;
    run_state.pause_asked = true;
    answer = std::thread([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      seen_while_paused = writes.load();
      run_state.pause_asked = false;
    });
  };
  const FillReport report = Run(volume.env, dir.MakeDir("x"));
  answer.join();
  EXPECT_EQ(seen_while_paused.load(), 3);
  EXPECT_TRUE(report.filled);
}

TEST_F(FillFreeSpaceTest, InterruptFlagStopsLikeTheWindow) {
  SmallVolume volume(50'000'000);  // bounded, should the stop fail
  std::atomic<bool> interrupted{false};
  volume.on_write = [&](int write) {
    if (write > 3) interrupted = 1;
  };
  FillOptions options;
  options.interrupt = &interrupted;
  const FillReport report = Run(volume.env, dir.MakeDir("x"), options);
  EXPECT_TRUE(report.stopped);
  EXPECT_EQ(CountFillFiles(dir.path()), 0);
}

TEST_F(FillFreeSpaceTest, LeftoversOfAnInterruptedFillAreRemovedFirst) {
  const std::string leftover = dir.Write(NewFillFileName(real_env), std::string(1000, '\0'));
  dir.Write(NewFillFileName(real_env), "");
  SmallVolume volume(100'000);
  Run(volume.env, dir.MakeDir("x"));
  EXPECT_FALSE(std::filesystem::exists(leftover));
  EXPECT_EQ(CountRowsStartingWith(port, "Removed 2 files left over by an interrupted fill"), 1);
  EXPECT_EQ(CountFillFiles(dir.path()), 0);
}

TEST_F(FillFreeSpaceTest, FolderWithoutWritePermissionEndsAtOnce) {
  platform::FaultEnv env(real_env);
  env.fail_call = [](const std::string& operation,
                     const std::string& path) -> std::optional<platform::Status> {
    if (operation == "CreateLockedAt") return platform::Status::FromErrno(EACCES, "create", path);
    return std::nullopt;
  };
  const FillReport report = Run(env, dir.MakeDir("x"));
  EXPECT_FALSE(report.filled);
  EXPECT_EQ(report.files, 0);
  EXPECT_EQ(CountRowsStartingWith(port, "File:"), 1);
  EXPECT_EQ(port.MessagesWith(core::MessageIcon::kError).size(), 1u);
  ExpectWindowRestored();
}

TEST_F(FillFreeSpaceTest, IncludeReservedIsRefusedOffExt4OrWithoutRoot) {
  SmallVolume volume(100'000);
  FillOptions options;
  options.include_reserved = true;
  // /proc is never ext4.
  const FillReport report = Run(volume.env, "/proc/self", options);
  EXPECT_FALSE(report.filled);
  EXPECT_EQ(report.files, 0);
  ASSERT_EQ(port.MessagesWith(core::MessageIcon::kError).size(), 1u);
  const std::string reason = port.MessagesWith(core::MessageIcon::kError)[0];
  EXPECT_TRUE(reason.find("ext4") != std::string::npos || reason.find("root") != std::string::npos)
      << reason;
  EXPECT_EQ(volume.writes(), 0);
  ExpectWindowRestored();
}

// ---- real small volumes (root) ---------------------------------------------

bool CanMount() { return geteuid() == 0; }

// A tmpfs of 8 MiB mounted on a fresh folder for one test.
class Tmpfs {
 public:
  Tmpfs() { mounted_ = mount("tmpfs", dir_.path().c_str(), "tmpfs", 0, "size=8m") == 0; }
  ~Tmpfs() {
    if (mounted_) umount2(dir_.path().c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  bool mounted_ = false;
};

int Shell(const std::string& command) { return std::system(command.c_str()); }

// An ext4 image of the given size on a loop device, mounted on a fresh folder.
class Ext4Image {
 public:
  explicit Ext4Image(int megabytes) {
    const std::string image = holder_ / "image";
    if (Shell("truncate -s " + std::to_string(megabytes) + "M " + image +
              " && mkfs.ext4 -q -F -b 4096 " + image + " >/dev/null 2>&1") != 0) {
      return;
    }
    char device[64] = {};
    FILE* out = popen(("losetup --find --show " + image + " 2>/dev/null").c_str(), "r");
    if (out == nullptr) return;
    if (fgets(device, sizeof device, out) == nullptr) device[0] = '\0';
    pclose(out);
    device_ = device;
    while (!device_.empty() && device_.back() == '\n') device_.pop_back();
    if (device_.empty()) return;
    mount_point_ = holder_.MakeDir("mnt");
    mounted_ = mount(device_.c_str(), mount_point_.c_str(), "ext4", 0, nullptr) == 0;
  }
  ~Ext4Image() {
    if (mounted_) umount2(mount_point_.c_str(), 0);
    if (!device_.empty()) Shell("losetup -d " + device_);
  }
  bool mounted() const { return mounted_; }
  const std::string& path() const { return mount_point_; }

 private:
  TempDir holder_;
  std::string device_;
  std::string mount_point_;
  bool mounted_ = false;
};

TEST_F(FillFreeSpaceTest, TmpfsIsFilledAndFreeAgainAfterwards) {
  if (!CanMount()) GTEST_SKIP() << "mounting a tmpfs needs root";
  Tmpfs volume;
  if (!volume.mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";
  const std::string chosen = volume.path() + "/folder";
  std::filesystem::create_directory(chosen);
  dir.Write("outside", "x");
  const uint64_t free_before = FreeBytes(volume.path());
  const FillReport report = Run(real_env, chosen);
  EXPECT_EQ(report.folder, volume.path());
  EXPECT_TRUE(report.filled);
  EXPECT_EQ(report.errors, 0);
  EXPECT_EQ(report.written_bytes, free_before);
  EXPECT_EQ(CountRowsStartingWith(port, "File:"), report.files);
  EXPECT_EQ(CountFillFiles(volume.path()), 0);
  EXPECT_EQ(FreeBytes(volume.path()), free_before);
  ExpectWindowRestored();
  // Memory, not a disk: said before the first file.
  const auto& rows = port.messages();
  const auto warning = std::find_if(rows.begin(), rows.end(), [&](const auto& row) {
    return row.text == volume.path() +
                           " is held in memory (tmpfs): filling it takes memory from "
                           "every program and protects nothing on a disk";
  });
  const auto first_file = std::find_if(
      rows.begin(), rows.end(), [](const auto& row) { return row.text.starts_with("File:"); });
  ASSERT_NE(warning, rows.end());
  EXPECT_EQ(warning->icon, core::MessageIcon::kWarning);
  EXPECT_LT(warning, first_file);
}

TEST_F(FillFreeSpaceTest, ChoosingAMountPointFillsThatFileSystem) {
  if (!CanMount()) GTEST_SKIP() << "mounting a tmpfs needs root";
  Tmpfs volume;
  if (!volume.mounted()) GTEST_SKIP() << "tmpfs cannot be mounted here";
  const std::string parent = std::filesystem::path(volume.path()).parent_path().string();
  const FillReport report = Run(real_env, volume.path());
  EXPECT_EQ(report.folder, volume.path());
  EXPECT_LE(report.written_bytes, 8u << 20);
  EXPECT_GT(report.written_bytes, 7u << 20);
  EXPECT_EQ(CountFillFiles(parent), 0);
}

TEST_F(FillFreeSpaceTest, Ext4ReserveIsLoweredForTheFillAndRestored) {
  if (!CanMount()) GTEST_SKIP() << "loop devices need root";
  Ext4Image volume(64);
  if (!volume.mounted()) GTEST_SKIP() << "an ext4 image cannot be mounted here";
  const Ext4Reserve before = ReserveOf(volume.path());
  ASSERT_GT(before.clusters, 0u);

  // Without the option the reserve stays and is reported.
  const FillReport plain = Run(real_env, volume.path());
  EXPECT_TRUE(plain.filled);
  EXPECT_EQ(plain.held_back_bytes, before.bytes);
  // Full short of the reserve: no empty files after the first, and one more
  // file that takes the held-back share again block by block.
  EXPECT_EQ(plain.files, 2);
  EXPECT_GT(plain.swept_bytes, 0u);
  EXPECT_LE(plain.swept_bytes, before.bytes);
  EXPECT_EQ(CountRowsStartingWith(port, "File:"), 2);
  EXPECT_EQ(CountRowsStartingWith(port, "The file system held back "), 1);

  platform::FaultEnv env(real_env);
  uint64_t during = UINT64_MAX;
  env.observe = [&](const std::string& operation, const std::string& path) {
    if (operation == "WriteAt" && path.starts_with(volume.path()) && during == UINT64_MAX) {
      during = ReserveOf(volume.path()).clusters;
    }
  };
  FillOptions options;
  options.include_reserved = true;
  const FillReport full = Run(env, volume.path(), options);
  EXPECT_TRUE(full.filled);
  EXPECT_EQ(full.errors, 0);
  // Full by the file system's count: no empty file after the first.
  EXPECT_EQ(full.files, 1);
  EXPECT_EQ(during, 0u);
  EXPECT_EQ(full.held_back_bytes, 0u);
  EXPECT_GT(full.written_bytes, plain.written_bytes);
  EXPECT_EQ(ReserveOf(volume.path()).clusters, before.clusters);
  EXPECT_TRUE(HasNoNotes(state_dir.path()));
  EXPECT_EQ(CountFillFiles(volume.path()), 0);
}

TEST_F(FillFreeSpaceTest, AReserveLockHeldElsewhereIsAnErrorRowAndAStopEndsTheWait) {
  if (!CanMount()) GTEST_SKIP() << "loop devices need root";
  Ext4Image volume(16);
  if (!volume.mounted()) GTEST_SKIP() << "an ext4 image cannot be mounted here";
  const Ext4Reserve before = ReserveOf(volume.path());
  std::unique_ptr<platform::Folder> holder = Held(state_dir.path());
  auto held = holder->TryLockAt(kReserveLockName, true, nullptr);
  ASSERT_TRUE(held.ok());
  platform::FaultEnv env(real_env);
  int64_t now = 0;
  std::atomic<bool> interrupted{false};
  bool interrupt_in_wait = false;
  env.clock = [&] { return now; };
  env.sleep = [&](int64_t milliseconds) {
    now += milliseconds;
    if (interrupt_in_wait) interrupted = 1;
  };
  FillOptions options;
  options.include_reserved = true;
  options.interrupt = &interrupted;

  const FillReport timed_out = Run(env, volume.path(), options);
  EXPECT_EQ(timed_out.files, 0);
  EXPECT_EQ(timed_out.errors, 1);
  EXPECT_EQ(CountRowsStartingWith(port, state_dir / "reserve.lock is held by another run of the "
                                                    "program; gave up after 3 seconds"),
            1);
  EXPECT_GE(now, platform::kLockWaitMillis);

  interrupt_in_wait = true;
  now = 0;
  const FillReport stopped = Run(env, volume.path(), options);
  EXPECT_TRUE(stopped.stopped);
  EXPECT_EQ(stopped.files, 0);
  EXPECT_EQ(stopped.errors, 0);
  EXPECT_LE(now, platform::kLockRetryMillis);
  EXPECT_EQ(ReserveOf(volume.path()).clusters, before.clusters);
}

TEST_F(FillFreeSpaceTest, AReserveLeftLoweredByAKilledFillIsRestoredByTheNextStart) {
  if (!CanMount()) GTEST_SKIP() << "loop devices need root";
  Ext4Image volume(64);
  if (!volume.mounted()) GTEST_SKIP() << "an ext4 image cannot be mounted here";
  const Ext4Reserve before = ReserveOf(volume.path());
  // What a fill killed while it held the reserve lowered leaves behind.
  state_dir.Write("ext4-reserve-" + before.device, std::to_string(before.clusters) + " 0\n");
  ASSERT_TRUE(real_env.WriteKernelSetting(before.setting_path, "0").ok());
  EXPECT_EQ(ReserveOf(volume.path()).clusters, 0u);
  EXPECT_EQ(RestoreAbandonedReserves(real_env, *Held(state_dir.path()), &sink), 1);
  EXPECT_EQ(ReserveOf(volume.path()).clusters, before.clusters);
  EXPECT_TRUE(HasNoNotes(state_dir.path()));
  // Nothing left to restore the second time.
  EXPECT_EQ(RestoreAbandonedReserves(real_env, *Held(state_dir.path()), &sink), 0);
}

}  // namespace
}  // namespace tarnwell::fill
