#include "fill/leftovers.h"

#include <cerrno>
#include <vector>

#include "erase/random_name.h"
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::fill {
namespace {}  // namespace

std::string NewFillFileName(platform::Env& env, const std::string& folder) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += kFillNamePrefix;
  path += erase::RandomizeName(env, kFillNameTemplate);
  path += kFillNameSuffix;
  return path;
}

bool IsFillFileName(std::string_view name) {
  if (!name.starts_with(kFillNamePrefix) || !name.ends_with(kFillNameSuffix)) return false;
  name.remove_prefix(kFillNamePrefix.size());
  name.remove_suffix(kFillNameSuffix.size());
  for (size_t i = 0; i < kFillNameTemplate.size(); ++i) {
    bool matched = false;
    for (std::string_view character : erase::NameAlphabet()) {
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

int RemoveFillLeftovers(platform::Env& env, const std::string& folder, core::WindowPort& window) {
  platform::Result<std::unique_ptr<platform::Directory>> dir = env.OpenDirectory(folder);
  if (!dir.ok()) return 0;
  // Collected first: deleting while reading a folder may skip entries.
  std::vector<std::string> names;
  platform::DirEntry entry;
  while ((*dir)->Next(&entry)) {
    if (entry.info_ok && entry.info.kind == platform::FileKind::kRegular &&
        IsFillFileName(entry.name)) {
      names.push_back(entry.name);
    }
  }
  int removed = 0;
  for (const std::string& name : names) {
    const std::string path = folder == "/" ? "/" + name : folder + "/" + name;
    // A running fill holds a lock on each of its files until it deletes them.
    platform::FileInfo locked;
    platform::Result<std::unique_ptr<platform::FileLock>> lock = env.TryLock(path, &locked);
    if (!lock.ok()) {
      if (lock.status().code() == EWOULDBLOCK) {
        window.InsertMessage(text::FormatText(text::LookupUtf8(text::TextId::kInUseByFill), {path}),
                             core::MessageIcon::kInfo);
      } else if (lock.status().code() != ENOENT) {
        window.InsertMessage(lock.status().message(), core::MessageIcon::kError);
      }
      continue;
    }
    platform::Result<platform::FileInfo> named = env.Describe(path);
    if (!named.ok() || named->kind != platform::FileKind::kRegular ||
        named->device != locked.device || named->inode != locked.inode) {
      continue;  // replaced meanwhile: not the file that was locked
    }
    platform::Status status = env.RemoveFile(path);
    if (status.ok()) {
      ++removed;
    } else {
      window.InsertMessage(status.message(), core::MessageIcon::kError);
    }
  }
  return removed;
}

}  // namespace tarnwell::fill
