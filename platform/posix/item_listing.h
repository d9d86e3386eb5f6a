// The folder listing and mount lookups behind Env's item-list calls.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace tarnwell::platform::posix {

// See Env::ListNames.
Result<std::vector<std::string>> ListFolderNames(const std::string& folder);
// See Env::MountId.
Result<uint64_t> MountIdOf(const std::string& path);

}  // namespace tarnwell::platform::posix
