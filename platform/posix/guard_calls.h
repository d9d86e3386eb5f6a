// The Linux side of the calls that keep fills beside each other apart and
// keep untrusted input files harmless: the random source, non-waiting locks
// and capped reads of regular files only.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "platform/posix/fd.h"
#include "platform/status.h"

namespace tarnwell::platform::posix {

// length bytes from getrandom.
Status RandomBytes(void* data, size_t length);

// Locks the new file fd (created at path by this process) at once; EAGAIN
// when another process got there first or the path no longer names it.
Status LockNewFile(int fd, const std::string& path);

// Opens path without following a link or blocking, and locks it without
// waiting. Regular files and folders only; *st receives what was locked.
Result<UniqueFd> TryLockPath(const std::string& path, struct stat* st);

// The whole content of the regular file at path, at most max_bytes.
Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes);

}  // namespace tarnwell::platform::posix
