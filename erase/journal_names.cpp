#include "erase/journal_names.h"

#include <cerrno>
#include <vector>

#include "erase/preflight.h"

namespace tarnwell::erase {
bool HasClearableJournal(const platform::MountInfo& mount) {
  return mount.fs_type == "ext4" || mount.fs_type == "ext3";
}

bool ClearJournal(platform::Env& env, job::EventSink& sink, const platform::MountInfo& mount) {
  // The dry run tells a refusal (no capability, an older kernel) apart from
  // a zero-out that was allowed and failed.
  const platform::Status allowed = env.ZeroOutJournal(mount.mount_point, true);
  if (allowed.code() == ENODEV) return false;  // made without a journal
  if (!allowed.ok()) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kJournalKeepsNames,
                            .subject = mount.mount_point,
                            .error_code = allowed.code(),
                            .detail = allowed.message()});
    return false;
  }
  platform::Status status = env.ZeroOutJournal(mount.mount_point, false);
  if (!status.ok()) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kJournalNotCleared,
                            .subject = mount.mount_point,
                            .error_code = status.code(),
                            .detail = status.message()});
  }
  return status.ok();
}

std::vector<platform::MountInfo> FindJournaledMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths) {
  std::vector<platform::MountInfo> found = FindMounts(env, paths);
  std::erase_if(found,
                [](const platform::MountInfo& mount) { return !HasClearableJournal(mount); });
  return found;
}

}  // namespace tarnwell::erase
