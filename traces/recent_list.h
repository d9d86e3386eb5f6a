// Takes the bookmarks of erased files out of a user's recent-file list
// (recently-used.xbel) and keeps every other one.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/env.h"
#include "traces/held_store.h"

namespace tarnwell::traces {

// A list larger than this is no desktop's and is left alone, like the settings.
inline constexpr uint64_t kMaxRecentListBytes = uint64_t{16} << 20;

struct RecentListOutcome {
  std::string path;                  // the list's path, "" when there is none
  std::vector<std::string> removed;  // erased paths whose bookmarks went
  StoreResult refused;               // why the list was left alone, if it was
  bool damaged = false;              // not understood: refused.detail says where
};

// Rewrites stores' recently-used.xbel without the bookmarks of erased, in
// one step with its own permissions and owner, then overwrites the old
// file's bytes, which no name leads to any more, with zeros. A list that is
// a link, another user's, too large or not understood stays as it is.
RecentListOutcome CleanRecentList(platform::Env& env, const platform::DesktopStores& stores,
                                  const std::set<std::string>& erased);

}  // namespace tarnwell::traces
