#include "erase/journal_names.h"

#include <cerrno>
#include <memory>
#include <vector>

#include "erase/preflight.h"
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::erase {
namespace {

constexpr int kTextJournalKeepsNames = 91;

}  // namespace

bool HasClearableJournal(const platform::MountInfo& mount) {
  return mount.fs_type == "ext4" || mount.fs_type == "ext3";
}

bool ClearJournal(core::WindowPort& port, platform::Folder& on_volume,
                  const platform::MountInfo& mount) {
  // The dry run tells a refusal (no capability, an older kernel) apart from
  // a zero-out that was allowed and failed.
  const platform::Status allowed = on_volume.CheckpointJournal(true, true);
  if (allowed.code() == ENODEV) return false;  // made without a journal
  if (!allowed.ok()) {
    port.InsertMessage(
        text::FormatText(text::LookupUtf8(kTextJournalKeepsNames), {mount.mount_point}),
        core::MessageIcon::kWarning);
    return false;
  }
  platform::Status status = on_volume.CheckpointJournal(true, false);
  if (!status.ok()) port.InsertMessage(status.message(), core::MessageIcon::kWarning);
  return status.ok();
}

bool ClearJournalOfMount(platform::Env& env, core::WindowPort& port,
                         const platform::MountInfo& mount) {
  platform::Result<std::unique_ptr<platform::Folder>> folder =
      env.OpenFolder(mount.mount_point, nullptr);
  platform::Result<platform::FileInfo> info =
      folder.ok() ? (*folder)->Stat() : platform::Result<platform::FileInfo>(folder.status());
  if (!info.ok() || info->device != mount.device) {
    port.InsertMessage(
        text::FormatText(text::LookupUtf8(kTextJournalKeepsNames), {mount.mount_point}),
        core::MessageIcon::kWarning);
    return false;
  }
  return ClearJournal(port, **folder, mount);
}

std::vector<platform::MountInfo> FindJournaledMounts(platform::Env& env,
                                                     const std::vector<std::string>& paths) {
  std::vector<platform::MountInfo> found = FindMounts(env, paths);
  std::erase_if(found,
                [](const platform::MountInfo& mount) { return !HasClearableJournal(mount); });
  return found;
}

}  // namespace tarnwell::erase
