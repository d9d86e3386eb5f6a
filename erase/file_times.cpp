#include "erase/file_times.h"

namespace tarnwell::erase {
namespace {

constexpr platform::CalendarTime kReplacementTime{1981, 1, 1, 0, 0, 0};

}  // namespace

platform::Result<platform::FileTime> ReplacementTime(platform::Env& env) {
  platform::Result<int64_t> seconds = env.LocalTimeToEpoch(kReplacementTime);
  if (!seconds.ok()) return seconds.status();
  return platform::FileTime{*seconds, 0};
}

platform::Status StampFileTimes(platform::Env& env, platform::WritableFile& file) {
  platform::Result<platform::FileTime> time = ReplacementTime(env);
  if (!time.ok()) return time.status();
  return file.SetTimes(*time, *time);
}

platform::Status StampFileTimes(platform::Env& env, const std::string& path) {
  platform::Result<platform::FileTime> time = ReplacementTime(env);
  if (!time.ok()) return time.status();
  return env.SetTimes(path, *time, *time);
}

platform::Status StampFileTimes(platform::Env& env, platform::Folder& folder) {
  platform::Result<platform::FileTime> time = ReplacementTime(env);
  if (!time.ok()) return time.status();
  return folder.SetTimes(*time, *time);
}

}  // namespace tarnwell::erase
