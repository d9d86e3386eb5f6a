// Names-only folder listings and mount ids for the item list.
#include "platform/posix/item_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/posix/posix_files.h"

namespace tarnwell::platform::posix {

Result<std::vector<std::string>> ListFolderNames(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return Status::FromErrno(errno, "list folder", folder);
  return ReadNamesAndClose(dir, folder);
}

Result<std::vector<std::string>> ReadNamesAndClose(DIR* dir, const std::string& folder) {
  std::vector<std::string> names;
  for (;;) {
    errno = 0;
    const struct dirent* d = readdir(dir);
    if (d == nullptr) break;
    if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
    names.emplace_back(d->d_name);
  }
  const int err = errno;
  closedir(dir);
  if (err != 0) return Status::FromErrno(err, "list folder", folder);
  return names;
}

Result<uint64_t> MountIdOf(const std::string& path) {
  struct statx stx;
  if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID, &stx) !=
      0) {
    return Status::FromErrno(errno, "examine", path);
  }
  if ((stx.stx_mask & STATX_MNT_ID) == 0) return Status::FromErrno(ENOTSUP, "mount id of", path);
  return static_cast<uint64_t>(stx.stx_mnt_id);
}

}  // namespace tarnwell::platform::posix
