#include "erase/file_times.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>

#include "tests/support/temp_dir.h"

namespace tarnwell::erase {
namespace {

using testing::TempDir;

platform::Env& env = platform::DefaultEnv();

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
