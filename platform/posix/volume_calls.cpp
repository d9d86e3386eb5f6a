#include "platform/posix/volume_calls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/posix/guard_calls.h"

namespace tarnwell::platform::posix {
namespace {

// From the kernel's ext4 interface (5.10 and later); no header ships it.
constexpr unsigned long kExt4CheckpointIoctl = _IOW('f', 43, uint32_t);
constexpr uint32_t kCheckpointZeroOut = 0x2;  // 5.13 and later
constexpr uint32_t kCheckpointDryRun = 0x4;
constexpr size_t kMaxMountTableBytes = size_t{64} << 20;

// Undoes the octal escapes of /proc/self/mountinfo ("\040" for a blank).
std::string UnescapeMountField(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' && field[i + 1] <= '7') {
      out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                      (field[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(field[i]);
    }
  }
  return out;
}

// One line of /proc/self/mountinfo; *id gets the kernel's mount id.
std::optional<MountInfo> ParseMountLine(const std::string& line, uint64_t* id) {
  std::istringstream fields(line);
  std::string id_text, parent, devnum, root, mount_point, mount_options;
  fields >> id_text >> parent >> devnum >> root >> mount_point >> mount_options;
  const size_t colon = devnum.find(':');
  if (colon == std::string::npos) return std::nullopt;
  std::string field, fs_type, source, super_options;
  while (fields >> field && field != "-") {
  }
  fields >> fs_type >> source >> super_options;
  MountInfo mount;
  mount.mount_point = UnescapeMountField(mount_point);
  mount.fs_type = fs_type;
  mount.source = UnescapeMountField(source);
  mount.options = mount_options + "," + super_options;
  mount.device =
      static_cast<uint64_t>(makedev(std::strtoul(devnum.c_str(), nullptr, 10),
                                    std::strtoul(devnum.c_str() + colon + 1, nullptr, 10)));
  *id = std::strtoull(id_text.c_str(), nullptr, 10);
  return mount;
}

}  // namespace

Result<std::vector<MountInfo>> ListMountTable() {
  Result<std::string> table = ReadRegularFile("/proc/self/mountinfo", kMaxMountTableBytes);
  if (!table.ok()) return table.status();
  std::istringstream lines(*table);
  std::vector<MountInfo> mounts;
  uint64_t id = 0;
  for (std::string line; std::getline(lines, line);) {
    if (std::optional<MountInfo> mount = ParseMountLine(line, &id)) {
      mounts.push_back(std::move(*mount));
    }
  }
  return mounts;
}

Result<VolumeSpace> SpaceOf(int fd, const std::string& path) {
  struct statvfs vfs;
  if (fstatvfs(fd, &vfs) != 0) return Status::FromErrno(errno, "measure volume of", path);
  VolumeSpace space;
  space.block_size = vfs.f_frsize;
  space.total_bytes = static_cast<uint64_t>(vfs.f_blocks) * vfs.f_frsize;
  space.available_bytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
  space.free_bytes = static_cast<uint64_t>(vfs.f_bfree) * vfs.f_frsize;
  space.total_records = vfs.f_files;
  space.free_records = vfs.f_files == 0 ? 0 : vfs.f_ffree;
  return space;
}

Result<MountInfo> MountOf(int fd, const std::string& path) {
  struct stat st;
  if (fstat(fd, &st) != 0) return Status::FromErrno(errno, "examine", path);
  // btrfs gives its files a device number no mount lists; the mount id
  // names the mount whatever the file system reports.
  std::optional<uint64_t> mount_id;
  struct statx stx;
  if (statx(fd, "", AT_EMPTY_PATH | AT_NO_AUTOMOUNT, STATX_MNT_ID, &stx) == 0 &&
      (stx.stx_mask & STATX_MNT_ID) != 0) {
    mount_id = stx.stx_mnt_id;
  }
  Result<std::string> table = ReadRegularFile("/proc/self/mountinfo", kMaxMountTableBytes);
  if (!table.ok()) return table.status();
  std::istringstream lines(*table);
  std::string line;
  MountInfo found;
  bool have = false;
  // Several mounts can share a device (bind mounts); the last one listed is
  // the one on top, so later matches win.
  while (std::getline(lines, line)) {
    uint64_t id = 0;
    std::optional<MountInfo> mount = ParseMountLine(line, &id);
    if (!mount || (mount_id ? id != *mount_id : mount->device != st.st_dev)) continue;
    found = std::move(*mount);
    have = true;
  }
  if (!have) return Status::Error(ENOENT, "no mount found for '" + path + "'");
  return found;
}

Status CheckpointJournalOf(int fd, const std::string& path, bool zero_out, bool dry_run) {
  uint32_t flags = (zero_out ? kCheckpointZeroOut : 0) | (dry_run ? kCheckpointDryRun : 0);
  if (ioctl(fd, kExt4CheckpointIoctl, &flags) != 0) {
    return Status::FromErrno(errno, "checkpoint the journal of", path);
  }
  return Status::Ok();
}

}  // namespace tarnwell::platform::posix
