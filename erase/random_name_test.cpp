#include "erase/random_name.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>

#include "erase/file_times.h"
#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
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

TEST(RenameRandomly, RenamesInPlaceAndNeverReplacesATakenName) {
  TempDir dir;
  const std::string file = dir.Write("a.b", "data");
  const std::string moved = RenameRandomly(env, file);
  EXPECT_NE(moved, file);
  EXPECT_EQ(FolderOf(moved), dir.path());
  EXPECT_EQ(ReadAll(moved), "data");
  EXPECT_FALSE(std::filesystem::exists(file));

  // Every name of the one-character shape is taken: nothing moves and no
  // existing file is replaced.
  TempDir full;
  const std::string single = full.Write("x", "mine");
  for (std::string_view c : NameAlphabet()) full.Write(std::string(c), "other " + std::string(c));
  EXPECT_EQ(RenameRandomly(env, single), single);
  EXPECT_EQ(ReadAll(single), "mine");
  for (std::string_view c : NameAlphabet()) {
    EXPECT_EQ(ReadAll(full / std::string(c)), "other " + std::string(c));
  }
}

// The zone for one test; the old one is back afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (old_) {
      setenv("TZ", old_->c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST(StampFileTimes, SetsNewYear1981LocalOnFilesAndFolders) {
  TempDir dir;
  const std::string file = dir.Write("f", "x");
  const std::string folder = dir.MakeDir("d");
  // 1981-01-01 00:00 in UTC, counted by hand: 11 years of 365 days and 3 leap
  // days (1972, 1976, 1980) after 1970-01-01.
  ScopedTimeZone utc("UTC0");
  constexpr int64_t expected = (11 * 365 + 3) * int64_t{86400};
  static_assert(expected == 347155200);
  platform::Result<std::unique_ptr<platform::WritableFile>> open = env.OpenForOverwrite(file);
  ASSERT_TRUE(open.ok());
  ASSERT_TRUE(StampFileTimes(env, **open).ok());
  ASSERT_TRUE((*open)->Close().ok());
  ASSERT_TRUE(StampFileTimes(env, folder).ok());
  for (const std::string& path : {file, folder}) {
    const auto written = std::filesystem::last_write_time(path);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    EXPECT_EQ(seconds.count(), expected) << path;
  }
}

}  // namespace
}  // namespace tarnwell::erase
