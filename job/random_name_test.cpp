#include "job/random_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "core/paths.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::job {
namespace {

using testing::ReadAll;
using testing::TempDir;

platform::Env& env = platform::DefaultEnv();

bool IsAlphabetCharacter(std::string_view text) {
  for (std::string_view c : NameAlphabet()) {
    if (c == text) return true;
  }
  return false;
}

// Splits a randomised name into its characters, checking each one.
std::vector<std::string> Characters(std::string_view name) {
  std::vector<std::string> out;
  for (size_t i = 0; i < name.size();) {
    const size_t n = static_cast<unsigned char>(name[i]) == 0xC2 ? 2 : 1;
    out.emplace_back(name.substr(i, n));
    i += n;
  }
  return out;
}

TEST(RandomizeName, KeepsFolderDotsAndCharacterCount) {
  for (int round = 0; round < 50; ++round) {
    const std::string name = RandomizeName(env, "/home/ann/a.b.txt");
    ASSERT_EQ(name.rfind("/home/ann/", 0), 0u);
    const std::vector<std::string> chars = Characters(name.substr(10));
    ASSERT_EQ(chars.size(), 7u) << name;
    for (size_t i = 0; i < chars.size(); ++i) {
      if (i == 1 || i == 3) {
        EXPECT_EQ(chars[i], ".");
      } else {
        EXPECT_TRUE(IsAlphabetCharacter(chars[i])) << name;
      }
    }
  }
  // No folder part: the whole text is the name. Multibyte and invalid UTF-8
  // characters count once each.
  EXPECT_EQ(Characters(RandomizeName(env, "abc")).size(), 3u);
  EXPECT_EQ(Characters(RandomizeName(env, "d/\xC3\xA4\xFF.x")).size(), 2u + 4u);
  EXPECT_EQ(RandomizeName(env, "dir/"), "dir/");
}

TEST(RandomizeName, NeverExceedsTheNameLimitInBytes) {
  const std::string long_name(255, 'x');
  std::set<std::string> seen;
  for (int round = 0; round < 20; ++round) {
    const std::string name = RandomizeName(env, "/d/" + long_name, 255);
    EXPECT_EQ(name.size(), 3u + 255u);
    seen.insert(name);
  }
  EXPECT_GT(seen.size(), 1u);
  // With room to spare, two-byte characters do appear.
  bool two_byte = false;
  for (int round = 0; round < 20 && !two_byte; ++round) {
    two_byte = RandomizeName(env, "f/abcdefgh").size() > 10;
  }
  EXPECT_TRUE(two_byte);
}

}  // namespace
}  // namespace tarnwell::job
