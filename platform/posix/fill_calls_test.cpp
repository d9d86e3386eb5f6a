#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/env.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::platform {
namespace {

Env& env = DefaultEnv();

TEST(FillCalls, AbsolutePathFoldsSegmentsWithoutResolvingLinks) {
  EXPECT_EQ(*env.AbsolutePath("/a//b/./c/../d/"), "/a/b/d");
  EXPECT_EQ(*env.AbsolutePath("/../.."), "/");
  EXPECT_EQ(*env.AbsolutePath("/"), "/");
  testing::TempDir dir;
  const std::string link = dir / "link";
  ASSERT_EQ(symlink("/usr", link.c_str()), 0);
  EXPECT_EQ(*env.AbsolutePath(link + "/../x"), dir.path() + "/x");
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(*env.AbsolutePath("sub/."),
            std::string(cwd) == "/" ? "/sub" : std::string(cwd) + "/sub");
  EXPECT_FALSE(env.AbsolutePath("").ok());
}

TEST(FillCalls, WriteKernelSettingNeverCreatesAFile) {
  testing::TempDir dir;
  EXPECT_EQ(env.WriteKernelSetting(dir / "missing", "1").code(), ENOENT);
  EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
  const std::string file = dir.Write("setting", "old");
  ASSERT_TRUE(env.WriteKernelSetting(file, "7").ok());
  EXPECT_EQ(testing::ReadAll(file), "7ld");  // one write at the start, like a sysfs store
}

// Past the file-size limit a write must fail with EFBIG, not end the process.
TEST(FillCalls, IgnoredFileSizeSignalTurnsTheLimitIntoEfbig) {
  testing::TempDir dir;
  const std::string path = dir / "big";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    env.IgnoreFileSizeSignal();
    struct rlimit limit {
      4096, 4096
    };
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(10);
    auto file = env.CreateExclusive(path, 0600);
    if (!file.ok()) _exit(11);
    char block[4096] = {};
    if (!(*file)->WriteAt(0, block, sizeof block).ok()) _exit(12);
    Result<size_t> past = (*file)->WriteAt(4096, block, sizeof block);
    _exit(!past.ok() && past.status().code() == EFBIG ? 0 : 13);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tarnwell::platform
