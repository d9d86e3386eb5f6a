#include "job/preflight.h"

#include <set>
#include <string_view>
#include <vector>

#include "core/paths.h"
#include "job/random_name.h"

namespace tarnwell::job {
namespace {

// Copy-on-write, log-structured or compressing file systems: a rewrite goes
// to new blocks and the old ones stay until reused.
constexpr std::string_view kRelocatingTypes[] = {"btrfs", "zfs",   "bcachefs", "nilfs2", "f2fs",
                                                 "jffs2", "ubifs", "overlay",  "aufs",   "refs"};
// Network file systems: the server decides where the bytes go.
constexpr std::string_view kNetworkTypes[] = {"nfs",       "nfs4",   "cifs",  "smb3",
                                              "smbfs",     "9p",     "afs",   "ceph",
                                              "glusterfs", "lustre", "davfs", "ncpfs"};

// True when the comma-separated options hold wanted, alone or as "wanted=...".
bool HasOption(std::string_view options, std::string_view wanted) {
  size_t start = 0;
  while (start <= options.size()) {
    size_t end = options.find(',', start);
    if (end == std::string_view::npos) end = options.size();
    const std::string_view option = options.substr(start, end - start);
    if (option == wanted || (option.size() > wanted.size() && option.rfind(wanted, 0) == 0 &&
                             option[wanted.size()] == '=')) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

}  // namespace

bool OverwriteUntrusted(const platform::MountInfo& mount) {
  const std::string_view type = mount.fs_type;
  if (type == "fuse" || type == "fuseblk" || type.rfind("fuse.", 0) == 0) return true;
  for (std::string_view t : kRelocatingTypes) {
    if (type == t) return true;
  }
  for (std::string_view t : kNetworkTypes) {
    if (type == t) return true;
  }
  // With data=journal every block is first written to the journal, where the
  // old contents of a file can survive the overwrite.
  if ((type == "ext3" || type == "ext4") && HasOption(mount.options, "data=journal")) return true;
  // The server or the drive's controller decides where the bytes go (Windows
  // reports these as options; Linux by the types above).
  if (HasOption(mount.options, "network") || HasOption(mount.options, "removable")) return true;
  // Compression switched on for a file system that otherwise writes in place.
  return HasOption(mount.options, "compress") || HasOption(mount.options, "compress-force");
}

std::vector<platform::MountInfo> FindMounts(platform::Env& env,
                                            const std::vector<std::string>& paths) {
  std::vector<platform::MountInfo> found;
  std::set<uint64_t> seen;
  for (const std::string& path : paths) {
    platform::Result<platform::FileInfo> info = env.Describe(path);
    if (!info.ok() || !seen.insert(info->device).second) continue;
    // A link's own entry lives in its folder; FindMount would follow it.
    const std::string probe =
        info->kind == platform::FileKind::kSymlink ? core::FolderOf(path) : path;
    platform::Result<platform::MountInfo> mount = env.FindMount(probe);
    if (mount.ok()) found.push_back(*mount);
  }
  return found;
}

std::vector<platform::MountInfo> FindUntrustedMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths) {
  std::vector<platform::MountInfo> found = FindMounts(env, paths);
  std::erase_if(found, [](const platform::MountInfo& mount) { return !OverwriteUntrusted(mount); });
  return found;
}

int ReportUntrustedFileSystem(EventSink& sink, const platform::MountInfo& mount) {
  int warnings = 0;
  if (OverwriteUntrusted(mount)) {
    sink.Report(Notice{.severity = Severity::kWarning,
                       .reason = Reason::kUntrustedFileSystem,
                       .subject = mount.mount_point,
                       .second = mount.fs_type});
    ++warnings;
  }
  if (HasOption(mount.options, "shadow-copies")) {
    sink.Report(Notice{.severity = Severity::kInfo,
                       .reason = Reason::kShadowCopies,
                       .subject = mount.mount_point});
  }
  return warnings;
}

int ReportUntrustedFileSystems(platform::Env& env, EventSink& sink,
                               const std::vector<std::string>& paths) {
  int warnings = 0;
  for (const platform::MountInfo& mount : FindMounts(env, paths)) {
    warnings += ReportUntrustedFileSystem(sink, mount);
  }
  return warnings;
}

}  // namespace tarnwell::job
