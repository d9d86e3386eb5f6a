#include <gtest/gtest.h>

#include "platform/env.h"
#include "tests/windows/win_temp_dir.h"

namespace tarnwell::platform {
namespace {

using testing::ReadAll;
using testing::WinTempDir;

Env& env = DefaultEnv();

TEST(Win32EnvFiles, DescribeNamesKindsAndIdentity) {
  WinTempDir dir;
  const std::string file = dir.Write("f", "12345");
  Result<FileInfo> info = env.Describe(file);
  ASSERT_TRUE(info.ok()) << info.status().message();
  EXPECT_EQ(info->kind, FileKind::kRegular);
  EXPECT_EQ(info->size, 5u);
  EXPECT_NE(info->inode, 0u);
  EXPECT_EQ(env.Describe(dir.path())->kind, FileKind::kDirectory);
  Result<FileInfo> missing = env.Describe(dir / "nothing");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.status().code(), ENOENT);
  EXPECT_NE(missing.status().message().find("nothing"), std::string::npos);
}

}  // namespace
}  // namespace tarnwell::platform
