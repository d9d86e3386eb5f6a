#include "job/journal_names.h"

#include <cerrno>
#include <memory>
#include <vector>

#include "job/preflight.h"

namespace tarnwell::job {
namespace {

void WarnJournalKeepsNames(EventSink& sink, const platform::MountInfo& mount,
                           const platform::Status& why) {
  sink.Report(Notice{.severity = Severity::kWarning,
                     .reason = Reason::kJournalKeepsNames,
                     .subject = mount.mount_point,
                     .error_code = why.code(),
                     .detail = why.message()});
}

}  // namespace

bool HasClearableJournal(const platform::MountInfo& mount) {
  return mount.fs_type == "ext4" || mount.fs_type == "ext3";
}

bool LogKeepsNames(const platform::MountInfo& mount) { return mount.fs_type == "xfs"; }

bool ClearJournal(EventSink& sink, platform::Folder& on_volume, const platform::MountInfo& mount) {
  // The dry run tells a refusal (no capability, an older kernel) apart from
  // a zero-out that was allowed and failed.
  const platform::Status allowed = on_volume.CheckpointJournal(true, true);
  if (allowed.code() == ENODEV) return false;  // made without a journal
  if (!allowed.ok()) {
    WarnJournalKeepsNames(sink, mount, allowed);
    return false;
  }
  platform::Status status = on_volume.CheckpointJournal(true, false);
  if (!status.ok()) {
    sink.Report(Notice{.severity = Severity::kWarning,
                       .reason = Reason::kJournalNotCleared,
                       .subject = mount.mount_point,
                       .error_code = status.code(),
                       .detail = status.message()});
  }
  return status.ok();
}

bool ClearJournalOfMount(platform::Env& env, EventSink& sink, const platform::MountInfo& mount) {
  platform::Result<std::unique_ptr<platform::Folder>> folder =
      env.OpenFolder(mount.mount_point, nullptr);
  platform::Result<platform::FileInfo> info =
      folder.ok() ? (*folder)->Stat() : platform::Result<platform::FileInfo>(folder.status());
  if (!info.ok() || info->device != mount.device) {
    WarnJournalKeepsNames(
        sink, mount,
        info.ok() ? platform::Status::Error(ESTALE, "another file system") : info.status());
    return false;
  }
  return ClearJournal(sink, **folder, mount);
}

std::vector<platform::MountInfo> FindJournaledMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths) {
  std::vector<platform::MountInfo> found = FindMounts(env, paths);
  std::erase_if(found,
                [](const platform::MountInfo& mount) { return !HasClearableJournal(mount); });
  return found;
}

}  // namespace tarnwell::job
