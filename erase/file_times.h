// The fixed replacement times every erased item gets after each pass.
#pragma once

#include <string>

#include "platform/env.h"

namespace tarnwell::erase {

// 1981-01-01 00:00:00 local time as seconds since the epoch (UTC).
platform::Result<platform::FileTime> ReplacementTime(platform::Env& env);

// Sets access and modification time of an open file to the replacement time.
// Linux has no settable creation time (birth time), so that one keeps its value.
platform::Status StampFileTimes(platform::Env& env, platform::WritableFile& file);
// The same for an entry by path (a folder); a link's own times, never its target's.
platform::Status StampFileTimes(platform::Env& env, const std::string& path);
// The same for an open folder.
platform::Status StampFileTimes(platform::Env& env, platform::Folder& folder);

}  // namespace tarnwell::erase
