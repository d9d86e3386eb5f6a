#include "fill/leftovers.h"

#include <cerrno>
#include <memory>
#include <vector>

#include "fill/record_pass.h"
#include "job/random_name.h"

namespace tarnwell::fill {
namespace {}  // namespace

std::string NewFillFileName(platform::Env& env) {
  std::string name(kFillNamePrefix);
  name += job::RandomizeName(env, kFillNameTemplate);
  name += kFillNameSuffix;
  return name;
}

bool IsFillFileName(std::string_view name) {
  if (!name.starts_with(kFillNamePrefix) || !name.ends_with(kFillNameSuffix)) return false;
  name.remove_prefix(kFillNamePrefix.size());
  name.remove_suffix(kFillNameSuffix.size());
  for (size_t i = 0; i < kFillNameTemplate.size(); ++i) {
    bool matched = false;
    for (std::string_view character : job::NameAlphabet()) {
      if (name.starts_with(character)) {
        name.remove_prefix(character.size());
        matched = true;
        break;
      }
    }
    if (!matched) return false;
  }
  return name.empty();
}

int RemoveFillLeftovers(platform::Folder& folder, job::EventSink& sink) {
  platform::Result<std::vector<std::string>> listed = folder.ListNames();
  if (!listed.ok()) return 0;
  int removed = 0;
  for (const std::string& name : *listed) {
    if (!IsFillFileName(name)) continue;
    const std::string path = folder.path() == "/" ? "/" + name : folder.path() + "/" + name;
    // A running fill holds a lock on each of its files until it deletes them.
    platform::FileInfo locked;
    platform::Result<std::unique_ptr<platform::FileLock>> lock =
        folder.TryLockAt(name, false, &locked);
    if (!lock.ok()) {
      const int code = lock.status().code();
      // A folder of that shape is a record pass's.
      if (code == EINVAL || code == EISDIR) {
        const int files = RemoveRecordFolder(folder, name, sink);
        if (files > 0) removed += files;
        continue;
      }
      if (code == EWOULDBLOCK) {
        sink.Report(job::Notice{.severity = job::Severity::kInfo,
                                .reason = job::Reason::kInUseByFill,
                                .subject = path});
      } else if (code != ENOENT && code != EINVAL && code != ELOOP) {
        sink.Report(job::Notice{.severity = job::Severity::kError,
                                .reason = job::Reason::kFillFailed,
                                .subject = path,
                                .error_code = lock.status().code(),
                                .detail = lock.status().message()});
      }
      continue;  // links and other entries of that shape are not the fill's
    }
    platform::Result<platform::FileInfo> named = folder.DescribeAt(name);
    if (!named.ok() || named->kind != platform::FileKind::kRegular ||
        !platform::SameObject(*named, locked)) {
      continue;  // replaced meanwhile: not the file that was locked
    }
    platform::Status status = folder.RemoveAt(name, false);
    if (status.ok()) {
      ++removed;
    } else {
      sink.Report(job::Notice{.severity = job::Severity::kError,
                              .reason = job::Reason::kFillFailed,
                              .subject = path,
                              .error_code = status.code(),
                              .detail = status.message()});
    }
  }
  return removed;
}

}  // namespace tarnwell::fill
