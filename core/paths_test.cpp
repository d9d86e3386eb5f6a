#include "core/paths.h"

#include <gtest/gtest.h>

namespace tarnwell::core {
namespace {

// One meaning of a path without a slash: a name in the current folder, whose
// folder is "." and which has no parent to walk up to.
TEST(Paths, NamesWithoutASlashAndNamesInTheRoot) {
  EXPECT_EQ(FolderOf("a"), ".");
  EXPECT_EQ(ParentOf("a"), "");
  EXPECT_EQ(NameOf("a"), "a");
  EXPECT_EQ(FolderOf("/a"), "/");
  EXPECT_EQ(ParentOf("/a"), "/");
  EXPECT_EQ(ParentOf("/"), "");
  EXPECT_EQ(FolderOf("/x/y/z"), "/x/y");
  EXPECT_EQ(ParentOf("/x/y/z"), "/x/y");
  EXPECT_EQ(NameOf("/x/y/z"), "z");
}

}  // namespace
}  // namespace tarnwell::core
