// The Linux side of the calls that keep untrusted input files harmless and
// names unguessable: the random source and capped reads of regular files only.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "platform/posix/fd.h"
#include "platform/status.h"

namespace tarnwell::platform::posix {

// length bytes from getrandom.
Status RandomBytes(void* data, size_t length);

// The whole content of the regular file at path, at most max_bytes.
Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes);

}  // namespace tarnwell::platform::posix
