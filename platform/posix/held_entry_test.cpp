// Calls on entries of a held folder when another user changes the entry
// between the check and the use: the race hook swaps it at exactly that point.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "platform/env.h"
#include "platform/race_hook.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::platform {
namespace {

using testing::TempDir;

Env& env = DefaultEnv();

uint32_t ModeOf(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Clears the hook when a test ends, passed or not.
struct HookGuard {
  explicit HookGuard(RaceHook hook) { SetRaceHook(std::move(hook)); }
  ~HookGuard() { SetRaceHook(nullptr); }
};

// Ends the process when a call blocks: a hang fails the test instead of
// stalling the suite.
class Watchdog {
 public:
  explicit Watchdog(int seconds) {
    thread_ = std::thread([this, seconds] {
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
      while (!done_ && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      if (!done_) {
        std::fprintf(stderr, "blocked for %d s\n", seconds);
        std::_Exit(3);
      }
    });
  }
  ~Watchdog() {
    done_ = true;
    thread_.join();
  }

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

TEST(HeldEntry, OwnerWriteReachesOnlyTheExaminedObject) {
  TempDir dir;
  const std::string outside = dir.Write("outside", "root's");
  ASSERT_EQ(chmod(outside.c_str(), 0555), 0);
  const std::string own = dir.Write("in/own", "x");
  ASSERT_EQ(chmod(own.c_str(), 0444), 0);
  ASSERT_EQ(symlink(outside.c_str(), (dir / "in/link").c_str()), 0);
  Result<std::unique_ptr<Folder>> in = env.OpenFolder(dir / "in", nullptr);
  ASSERT_TRUE(in.ok());

  // A link is left as it is, and so is its target.
  EXPECT_TRUE((*in)->AddOwnerWriteAt("link", nullptr).ok());
  EXPECT_EQ(ModeOf(outside), 0555u);

  // Swapped for a link, or for another file, after the check: nothing changes.
  for (const bool as_link : {true, false}) {
    HookGuard hook([&](RaceStep step, const std::string& path) {
      if (step != RaceStep::kOwnerWriteChecked) return;
      std::rename(path.c_str(), (dir / "moved").c_str());
      if (as_link) {
        ASSERT_EQ(symlink(outside.c_str(), path.c_str()), 0);
      } else {
        ASSERT_EQ(link(outside.c_str(), path.c_str()), 0);
      }
    });
    const Status changed = (*in)->AddOwnerWriteAt("own", nullptr);
    EXPECT_EQ(changed.code(), ESTALE) << changed.message();
    EXPECT_EQ(ModeOf(outside), 0555u);
    ASSERT_EQ(unlink(own.c_str()), 0);
    ASSERT_EQ(std::rename((dir / "moved").c_str(), own.c_str()), 0);
  }

  // Another object than the one listed is refused before anything changes.
  FileInfo other = *env.Describe(outside);
  EXPECT_EQ((*in)->AddOwnerWriteAt("own", &other).code(), ESTALE);
  EXPECT_EQ(ModeOf(own), 0444u);
  FileInfo listed = *env.Describe(own);
  EXPECT_TRUE((*in)->AddOwnerWriteAt("own", &listed).ok());
  EXPECT_EQ(ModeOf(own), 0644u);
}

TEST(HeldEntry, NothingBlocksOnAFifoSwappedInForTheHeldEntry) {
  TempDir dir;
  dir.Write("top/sub/file", "data");
  ASSERT_EQ(mkfifo((dir / "top/fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink((dir / "top/fifo").c_str(), (dir / "top/link").c_str()), 0);
  Result<std::unique_ptr<Folder>> top = env.OpenFolder(dir / "top", nullptr);
  ASSERT_TRUE(top.ok());
  Result<std::unique_ptr<Folder>> sub = (*top)->OpenFolderAt("sub", nullptr);
  ASSERT_TRUE(sub.ok());
  const Watchdog watchdog(20);

  // The folder's path names a FIFO by the time its file system is synced.
  HookGuard hook([&](RaceStep step, const std::string& path) {
    if (step != RaceStep::kBeforeFileSystemSync) return;
    ASSERT_EQ(std::rename(path.c_str(), (dir / "top/gone").c_str()), 0);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  });
  EXPECT_TRUE((*sub)->SyncFileSystem().ok());

  EXPECT_EQ((*top)->OpenForReadingAt("fifo", nullptr).status().code(), EINVAL);
  EXPECT_EQ((*top)->OpenForReadingAt("link", nullptr).status().code(), ELOOP);
  EXPECT_FALSE((*top)->OpenAt("fifo", nullptr, false).ok());  // ENXIO: no reader
  EXPECT_FALSE((*top)->OpenFolderAt("fifo", nullptr).ok());
  FileInfo listed = *env.Describe(dir / "top/gone/file");
  Result<std::unique_ptr<Folder>> gone = (*top)->OpenFolderAt("gone", nullptr);
  ASSERT_TRUE(gone.ok());
  EXPECT_TRUE((*gone)->OpenForReadingAt("file", &listed).ok());
  EXPECT_EQ((*top)->OpenForReadingAt("fifo", &listed).status().code(), EINVAL);
}

// Runs check as user nobody in a child process; its exit code is the
// errno-style code the check returned (0 for success).
int AsNobody(const std::function<int()>& check) {
  const pid_t child = fork();
  if (child == 0) {
    if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0) _exit(255);
    _exit(check());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 254;
}

TEST(HeldEntry, RemovableOnlyWhereTheKernelWouldLetThisUserRemove) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make entries of two users";
  TempDir dir;
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  const std::string sticky = dir.MakeDir("sticky");
  ASSERT_EQ(chmod(sticky.c_str(), 01777), 0);
  ASSERT_EQ(chmod(dir.Write("sticky/roots", "keep").c_str(), 0666), 0);
  const std::string mine = dir.Write("sticky/mine", "x");
  ASSERT_EQ(chown(mine.c_str(), 65534, 65534), 0);
  const std::string closed = dir.MakeDir("closed");
  ASSERT_EQ(chmod(dir.Write("closed/f", "x").c_str(), 0666), 0);
  ASSERT_EQ(chown((dir / "closed/f").c_str(), 65534, 65534), 0);

  const auto code = [&](const std::string& folder, const std::string& name) {
    return AsNobody([&] {
      Result<std::unique_ptr<Folder>> held = env.OpenFolder(folder, nullptr);
      return held.ok() ? (*held)->CheckRemovable(name).code() : 253;
    });
  };
  EXPECT_EQ(code(sticky, "roots"), EPERM);
  EXPECT_EQ(code(sticky, "mine"), 0);
  EXPECT_EQ(code(closed, "f"), EACCES);
  // Root may remove anything the volume lets it change.
  Result<std::unique_ptr<Folder>> held = env.OpenFolder(sticky, nullptr);
  ASSERT_TRUE(held.ok());
  EXPECT_TRUE((*held)->CheckRemovable("mine").ok());
}

}  // namespace
}  // namespace tarnwell::platform
