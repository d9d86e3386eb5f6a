#include "items/command_line_paths.h"

#include <gtest/gtest.h>

namespace tarnwell::items {
namespace {

using Paths = std::vector<std::string>;

TEST(SplitCommandLinePaths, QuotedPathsFirstThenBlankSeparatedFields) {
  const struct {
    const char* line;
    Paths paths;
  } cases[] = {
      {R"("C:\My Files\a.txt" d:\x.txt)", {R"(C:\My Files\a.txt)", R"(d:\x.txt)"}},
      {R"(d:\x.txt "c:\a b")", {R"(c:\a b)", R"(d:\x.txt)"}},
      {R"(c:\my files\a.txt)", {R"(c:\my)", R"(files\a.txt)"}},
      {R"(x:\)", {}},
      {"\xC3\xA4\x62\x63", {}},  // three characters in four bytes
      {"abcd", {"abcd"}},
      {"   /a     /b   ", {"/a", "/b"}},
      {"\t/x/y\t  \t/z\t", {"/x/y", "/z"}},
      {R"(" /a b " /c)", {"/a b", "/c"}},
      {R"("" "  " /abc)", {"/abc"}},
      // The pair is cut out of the rest, joining what was around it.
      {R"(/a"/b"c)", {"/b", "/ac"}},
      // A lone quote stays in the field it sits in.
      {R"("/a b" "/c d)", {"/a b", R"("/c)", "d"}},
      {"/t/\xFF\xFE name", {"/t/\xFF\xFE", "name"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLinePaths(c.line), c.paths) << c.line;
}

TEST(ArgumentPaths, EachArgumentIsOnePathExactlyAndOnlyEmptyOnesDropped) {
  const Paths arguments = {
      "/t/my files/a.txt", "report.txt ", "photos\n", "\tx\t", " ", "", "-rf", "--",
      "/t/\"q\" b",        "ab"};
  EXPECT_EQ(ArgumentPaths(arguments), (Paths{"/t/my files/a.txt", "report.txt ", "photos\n",
                                             "\tx\t", " ", "-rf", "--", "/t/\"q\" b", "ab"}));
}

}  // namespace
}  // namespace tarnwell::items
