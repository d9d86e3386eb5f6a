#include "settings/job_options.h"

#include <algorithm>

namespace tarnwell::settings {

int ReadPassesAsked(const SettingsStore& settings) {
  return std::clamp(settings.ReadIntSetting(kOptionsSection, kPassCountKey, 1, -1, -1), 1,
                    kMaxOfferedPasses);
}

int ReadDelaySeconds(const SettingsStore& settings, int default_seconds) {
  return std::clamp(settings.ReadIntSetting(kOptionsSection, kDelayKey, default_seconds, -1, -1), 0,
                    kMaxDelaySeconds);
}

int PassesDone(int passes_asked) { return std::clamp(passes_asked, 1, kMaxPasses); }

}  // namespace tarnwell::settings
