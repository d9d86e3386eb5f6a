// The settings of an erase job (passes, countdown) and their limits, for the
// window and the command line alike.
#pragma once

#include <string_view>

#include "settings/settings_store.h"

namespace tarnwell::settings {

inline constexpr std::string_view kPassCountKey = "re_write";
inline constexpr std::string_view kDelayKey = "del_delay";
// The job writes each file at most this often, whatever was asked: more
// passes of zeros reach nothing the first did not.
inline constexpr int kMaxPasses = 10;
// The window's overwrite menu offers up to this many.
inline constexpr int kMaxOfferedPasses = 35;
inline constexpr int kMaxDelaySeconds = 10;
static_assert(kMaxPasses <= kMaxOfferedPasses);

// The passes the settings ask for, as the window's button shows them: 1 when
// missing, clamped to 1..kMaxOfferedPasses.
int ReadPassesAsked(const SettingsStore& settings);
// The countdown in seconds, default_seconds when missing, clamped to
// 0..kMaxDelaySeconds.
int ReadDelaySeconds(const SettingsStore& settings, int default_seconds);
// The passes a job does for passes asked: 1..kMaxPasses.
int PassesDone(int passes_asked);

}  // namespace tarnwell::settings
