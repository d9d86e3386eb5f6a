// A lock on a file inside a held folder, waited for a bounded time: another
// program holding it is told apart from a hang, and a stop ends the wait.
#pragma once

#include <cerrno>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/env.h"

namespace tarnwell::platform {

// How long a program waits for another one's lock before it says so.
inline constexpr int64_t kLockWaitMillis = 3000;
inline constexpr int64_t kLockRetryMillis = 10;

// Locks the file name inside folder (made when missing), trying again every
// kLockRetryMillis while another open file holds it: ETIMEDOUT once
// timeout_ms have passed, ECANCELED as soon as stop (when given) says so.
// Other failures come back at once.
inline Result<std::unique_ptr<FileLock>> LockWithin(Env& env, Folder& folder,
                                                    const std::string& name, int64_t timeout_ms,
                                                    const std::function<bool()>& stop = {}) {
  const int64_t start = env.MonotonicMillis();
  for (;;) {
    Result<std::unique_ptr<FileLock>> lock = folder.TryLockAt(name, true, nullptr);
    if (lock.ok() || lock.status().code() != EWOULDBLOCK) return lock;
    if (stop && stop()) return Status::Error(ECANCELED, "stopped waiting for a lock");
    if (env.MonotonicMillis() - start >= timeout_ms) {
      return Status::Error(ETIMEDOUT,
                           "'" + folder.path() + "/" + name + "' is held by another program");
    }
    env.SleepMillis(kLockRetryMillis);
  }
}

}  // namespace tarnwell::platform
