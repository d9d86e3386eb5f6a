// The pause a window's stop question puts on a running job: the job waits at
// its next safe point (an erase before its next item, a fill before its next
// write) until the question is answered.
#pragma once

#include <atomic>
#include <functional>

#include "platform/env.h"

namespace tarnwell::job {

// Returns at once unless paused is set; else sleeps in short slices until
// paused is cleared or stopped() answers true.
void WaitWhilePaused(platform::Env& env, const std::atomic<bool>& paused,
                     const std::function<bool()>& stopped);

}  // namespace tarnwell::job
