// The names of the free-space fill's temporary files, and the clean-up of
// files an interrupted fill (crash, power loss, kill -9) left behind.
#pragma once

#include <string>
#include <string_view>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

inline constexpr std::string_view kFillNamePrefix = "tmp_ttt_";
inline constexpr std::string_view kFillNameSuffix = ".xxx";
// Randomised as a whole: it has no dot, so every character is replaced.
inline constexpr std::string_view kFillNameTemplate = "DATEIDATEIDATEI";

// A fresh temporary file name: "tmp_ttt_" + 15 random alphabet characters +
// ".xxx". Touches no disk.
std::string NewFillFileName(platform::Env& env);

// True when name (no folder part) has exactly the shape NewFillFileName makes.
bool IsFillFileName(std::string_view name);

// Deletes every regular file in the held folder whose name has the fill's
// shape and that no running fill holds locked, and every record pass's folder
// no running fill holds with the files in it, and returns how many files were
// deleted. A row names each file a running fill holds; a row with the error
// icon each one that could not be deleted; links and other entries of that
// shape are left alone.
int RemoveFillLeftovers(platform::Folder& folder, job::EventSink& sink);

}  // namespace tarnwell::fill
