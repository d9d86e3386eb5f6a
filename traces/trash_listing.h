// What "erase the trash" lists: every entry of the users' trashes.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace tarnwell::traces {

// The entries of files/ and info/ (and the directorysizes cache) of each
// user's home trash and of the .Trash-UID and .Trash/UID trashes at the top
// of every mount, sorted. A trash that is a link or another user's is
// skipped, as is one that cannot be read.
std::vector<std::string> TrashEntries(platform::Env& env,
                                      const std::vector<platform::DesktopStores>& users);

}  // namespace tarnwell::traces
