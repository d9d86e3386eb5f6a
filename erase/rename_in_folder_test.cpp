#include "erase/rename_in_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "job/random_name.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using testing::ReadAll;
using testing::TempDir;

platform::Env& env = platform::DefaultEnv();

TEST(RenameRandomlyIn, RenamesInPlaceAndNeverReplacesATakenName) {
  TempDir dir;
  dir.Write("a.b", "data");
  platform::Result<std::unique_ptr<platform::Folder>> folder = env.OpenFolder(dir.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  RenameOutcome moved = RenameRandomlyIn(env, **folder, "a.b");
  EXPECT_TRUE(moved.failure.ok());
  EXPECT_NE(moved.name, "a.b");
  EXPECT_EQ(ReadAll(dir / moved.name), "data");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.b"));

  // Every name of the one-character shape is taken: nothing moves, no
  // existing file is replaced, and a taken name is no failure.
  TempDir full;
  full.Write("x", "mine");
  for (std::string_view c : job::NameAlphabet())
    full.Write(std::string(c), "other " + std::string(c));
  folder = env.OpenFolder(full.path(), nullptr);
  ASSERT_TRUE(folder.ok());
  moved = RenameRandomlyIn(env, **folder, "x");
  EXPECT_EQ(moved.name, "x");
  EXPECT_TRUE(moved.failure.ok());
  EXPECT_EQ(ReadAll(full / "x"), "mine");
  for (std::string_view c : job::NameAlphabet()) {
    EXPECT_EQ(ReadAll(full / std::string(c)), "other " + std::string(c));
  }
}

}  // namespace
}  // namespace tarnwell::erase
