#include "job/pause.h"

namespace tarnwell::job {
namespace {
// Short enough that No goes on without a felt delay.
constexpr int64_t kPauseSliceMs = 20;
}  // namespace

void WaitWhilePaused(platform::Env& env, const std::atomic<bool>& paused,
                     const std::function<bool()>& stopped) {
  while (paused.load() && !stopped()) env.SleepMillis(kPauseSliceMs);
}

}  // namespace tarnwell::job
