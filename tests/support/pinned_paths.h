// Listed items for erase tests: each path pinned with its identity and its
// folder's, as the item list records them, in the order given and without
// scanning folders.
#pragma once

#include <string>
#include <vector>

#include "items/listed_items.h"
#include "platform/env.h"

namespace tarnwell::testing {

inline items::ListedItems PinPaths(const std::vector<std::string>& paths) {
  platform::Env& env = platform::DefaultEnv();
  items::ListedItems listed;
  for (const std::string& path : paths) {
    listed.rows.push_back({path, {}});
    if (path.empty()) continue;
    listed.rows.back().info = env.Describe(path).value();
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    listed.folders.push_back({{folder, env.Describe(folder).value()}, true});
  }
  return listed;
}

}  // namespace tarnwell::testing
