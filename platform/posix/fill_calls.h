// The Linux side of the free-space fill's platform calls: signal disposition,
// absolute paths, block device names and kernel setting files.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace tarnwell::platform::posix {

void IgnoreFileSizeSignal();
Result<std::string> AbsolutePath(const std::string& path);
Result<std::string> BlockDeviceName(uint64_t device);
Status WriteKernelSetting(const std::string& path, std::string_view value);

}  // namespace tarnwell::platform::posix
