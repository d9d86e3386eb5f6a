// The erase, the item scan and the settings store on real files through
// platform/win32: every listed byte zeroed and deleted, nothing unlisted touched, a file that
// another program holds open kept with an error row, drive roots
// refused, settings writes from two threads never losing one another, a
// backslash settings path keeping its lock file beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <thread>

#include "erase/dir_slack.h"
#include "erase/erase_item.h"
#include "items/add_items.h"
#include "items/item_list.h"
#include "platform/fault_env.h"
#include "settings/settings_store.h"
#include "tests/support/pinned_paths.h"
#include "tests/support/recording_sink.h"
#include "tests/windows/win_temp_dir.h"

namespace tarnwell {
namespace {

using testing::ReadAll;
using testing::RecordingPort;
using testing::RecordingSink;
using testing::WinTempDir;

class WinEraseTest : public ::testing::Test {
 protected:
  WinEraseTest() : fault_(platform::DefaultEnv()), progress_(fault_, sink_) {
    // What each file held at the moment it was deleted (the folder scrub's
    // own entries aside).
    fault_.observe = [this](const std::string& operation, const std::string& path) {
      if (operation == "RemoveAt" && path.find(erase::kSlackEntryPrefix) == std::string::npos) {
        deleted_.push_back(ReadAll(path));
      }
    };
  }

  void Erase(const std::vector<std::string>& paths, int passes) {
    counters_.pass_count = passes;
    const items::ListedItems listed = testing::PinPaths(paths);
    erase::ItemEraser eraser(fault_, sink_, progress_, counters_, listed);
    for (const items::ListedItem& item : listed.rows) eraser.EraseItem(item);
    eraser.Finish();
  }

  WinTempDir dir_;
  platform::FaultEnv fault_;
  RecordingSink sink_;
  RecordingPort& port_ = sink_.port();
  job::ProgressReporter progress_;
  erase::EraseCounters counters_;
  std::vector<std::string> deleted_;
};

TEST_F(WinEraseTest, ListedFilesAreZeroedAtFullLengthAndGoUnlistedOnesStay) {
  // Empty, odd-sized, read-only, and unbuffered blocks with a buffered tail.
  const std::string small = dir_.Write("tree/a.b.txt", std::string(5000, 'S'));
  const std::string big = dir_.Write("tree/sub/big.bin", std::string(3 * 65536 + 777, 'B'));
  const std::string empty = dir_.Write("tree/empty", "");
  const std::string read_only = dir_.Write("tree/ro.txt", "read-only secret");
  std::filesystem::permissions(testing::FsPath(read_only), std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  const std::string kept = dir_.Write("tree/sub/kept.txt", "not listed");

  // The job's order: contents before their folders.
  Erase({read_only, empty, big, small}, 2);

  EXPECT_TRUE(port_.MessagesWith(core::MessageIcon::kError).empty())
      << port_.MessagesWith(core::MessageIcon::kError)[0];
  EXPECT_EQ(counters_.written_bytes, 2u * (5000 + 3 * 65536 + 777 + 16));
  ASSERT_EQ(deleted_.size(), 4u);
  std::vector<size_t> sizes;
  for (const std::string& content : deleted_) {
    EXPECT_EQ(content.find_first_not_of('\0'), std::string::npos);
    sizes.push_back(content.size());
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, (std::vector<size_t>{0, 16, 5000, 3 * 65536 + 777}));
  EXPECT_EQ(ReadAll(kept), "not listed");
  size_t left = 0;
  for ([[maybe_unused]] auto& entry :
       std::filesystem::recursive_directory_iterator(dir_ / "tree")) {
    ++left;
  }
  EXPECT_EQ(left, 2u);  // sub and kept.txt
}

TEST_F(WinEraseTest, AFileAnotherProgramHoldsOpenIsKeptWithAnErrorRow) {
  const std::string file = dir_.Write("held.txt", "still in use");
  const std::filesystem::path wide = testing::FsPath(file);
  HANDLE held = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Erase({file}, 1);
  CloseHandle(held);
  ASSERT_TRUE(sink_.ResultFor(file));
  EXPECT_EQ(sink_.ResultFor(file)->outcome, job::Outcome::kKept);
  EXPECT_EQ(counters_.error_count, 1);
  EXPECT_EQ(ReadAll(file), "still in use");
  EXPECT_TRUE(deleted_.empty());
}

TEST(WinItems, DriveRootsAreRefusedAndFoldersAddEverythingBelow) {
  WinTempDir dir;
  dir.Write("tree/a.txt", "1");
  dir.Write("tree/sub/b.txt", "2");
  items::ItemList list(platform::DefaultEnv());
  items::ItemAdder adder(platform::DefaultEnv(), list, nullptr);
  for (const char* root : {"C:", "C:/", "c:\\"}) {
    EXPECT_EQ(adder.AddPath(root).code(), EINVAL) << root;
  }
  EXPECT_EQ(list.EntryCount(), 0u);
  ASSERT_TRUE(adder.AddPath(dir / "tree/").ok());
  EXPECT_EQ(list.EntryCount(), 4u);  // tree, a.txt, sub, b.txt
}

TEST(WinSettings, WritesFromTwoThreadsAreNeverLost) {
  WinTempDir dir;
  const std::string path = dir / "tarnwell.ini";
  settings::SettingsStore store(platform::DefaultEnv(), path);
  constexpr int kWrites = 40;
  std::thread other([&] {
    for (int i = 1; i <= kWrites; ++i) ASSERT_TRUE(store.WriteIntSetting("Orlenvik", "a", i));
  });
  for (int i = 1; i <= kWrites; ++i) ASSERT_TRUE(store.WriteIntSetting("Program", "b", -i));
  other.join();
  EXPECT_EQ(store.ReadIntSetting("Orlenvik", "a", 0, -1, -1), kWrites);
  EXPECT_EQ(store.ReadIntSetting("Program", "b", 0, -1, -1), -kWrites);
  EXPECT_EQ(store.ReadIntSetting("program", "missing", 7, -1, -1), 7);
}

// The lock file sits beside a settings file named with backslashes, not in
// whatever folder the program was started from.
TEST(WinSettings, ABackslashSettingsPathKeepsItsLockBesideIt) {
  WinTempDir dir;
  dir.Write("cfg/keep", "");
  dir.Write("run/keep", "");
  std::string named = dir / "cfg/s.ini";
  for (char& c : named) {
    if (c == '/') c = '\\';
  }
  const std::filesystem::path started = std::filesystem::current_path();
  std::filesystem::current_path(testing::FsPath(dir / "run"));
  SetEnvironmentVariableA("TARNWELL_SETTINGS", named.c_str());
  settings::LoadedSettings loaded = settings::LoadSettings(platform::DefaultEnv());
  EXPECT_TRUE(loaded.store.WriteProgramSetting("lng", 1));
  SetEnvironmentVariableA("TARNWELL_SETTINGS", nullptr);
  std::filesystem::current_path(started);
  EXPECT_TRUE(std::filesystem::exists(testing::FsPath(dir / "cfg/s.ini.lock")));
  EXPECT_FALSE(std::filesystem::exists(testing::FsPath(dir / "run/tarnwell.lock")));
  EXPECT_EQ(loaded.store.ReadProgramSetting("lng", 0), 1);
}

TEST(WinSettings, TheFileSitsBesideTheProgramWhenItsFolderIsWritable) {
  const std::string exe = *platform::DefaultEnv().ExecutablePath();
  EXPECT_EQ(settings::SettingsPathBesideExecutable(exe), exe.substr(0, exe.rfind(".exe")) + ".ini");
}

}  // namespace
}  // namespace tarnwell
