#include "traces/trash_listing.h"

#include <algorithm>
#include <set>

#include "traces/held_store.h"

namespace tarnwell::traces {
namespace {

void AddTrash(StoreOpener& opener, std::optional<HeldFolder> trash, std::set<std::string>& out) {
  if (!trash) return;
  for (const char* part : {"files", "info"}) {
    std::optional<HeldFolder> folder = opener.Enter(*trash, part, nullptr);
    if (!folder) continue;
    platform::Result<std::vector<std::string>> names = folder->folder->ListNames();
    if (!names.ok()) continue;
    for (const std::string& name : *names) out.insert(JoinPath(folder->path, name));
  }
  if (trash->folder->DescribeAt("directorysizes").ok()) {
    out.insert(JoinPath(trash->path, "directorysizes"));
  }
}

}  // namespace

std::vector<std::string> TrashEntries(platform::Env& env,
                                      const std::vector<platform::DesktopStores>& users) {
  std::set<std::string> entries;
  platform::Result<std::vector<platform::MountInfo>> mounts = env.ListMounts();
  for (const platform::DesktopStores& user : users) {
    StoreOpener opener(env, user.owner);
    if (!user.data_home.empty()) {
      AddTrash(opener, opener.OpenInStores(user, user.data_home, "Trash", nullptr), entries);
    }
    if (!mounts.ok() || !user.owner) continue;
    const std::string uid = std::to_string(*user.owner);
    for (const platform::MountInfo& mount : *mounts) {
      AddTrash(opener, opener.Open(JoinPath(mount.mount_point, ".Trash-" + uid), "", nullptr),
               entries);
      // The shared .Trash belongs to root (sticky); each user's part is hers.
      StoreOpener shared(env, std::nullopt);
      std::optional<HeldFolder> top =
          shared.Open(JoinPath(mount.mount_point, ".Trash"), "", nullptr);
      if (top) AddTrash(opener, opener.Enter(*top, uid, nullptr), entries);
    }
  }
  return {entries.begin(), entries.end()};
}

}  // namespace tarnwell::traces
