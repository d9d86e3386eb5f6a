// Adding paths and scanning folders. A scan lists one folder at a time and
// keeps a stack of the folders still to scan, so deep trees need neither a
// deep call stack nor one open descriptor per level.
#include "items/add_items.h"

#include <cctype>
#include <cerrno>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "items/command_line_paths.h"

namespace tarnwell::items {
namespace {

// Progress is painted once per this many opened folders: enough to show life
// during a long scan, rare enough to cost nothing.
constexpr int kFoldersPerProgress = 21;

// "x/" would make the system follow a link named x; "x" names the link itself.
void StripTrailingSlashes(std::string* path) {
  while (path->size() > 1 && path->back() == '/') path->pop_back();
}

// "/" and a drive root ("C:" once the slash is gone, or "C:\") have no entry
// in a folder of their own. On Linux only a relative path to an entry named
// like a drive looks the same; that rare one is refused too.
bool IsRoot(const std::string& path) {
  const bool drive =
      path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
  return path == "/" || (drive && (path.size() == 2 || (path.size() == 3 && path[2] == '\\')));
}

// A folder that vanished, or turned out to be a link or no folder at all, has
// nothing below it the user could miss.
bool IsQuietFailure(const platform::Status& status) {
  return status.code() == ENOENT || status.code() == ENOTDIR || status.code() == ELOOP;
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path != "/") path += '/';
  path += name;
  return path;
}

}  // namespace

// A folder still to scan, with what the scan of its parent saw of it.
struct ItemAdder::Pending {
  std::string path;
  platform::FileInfo info;
};

// Where a scan started: folders on another device or another mount are not
// descended into.
struct ItemAdder::Origin {
  uint64_t device = 0;
  std::optional<uint64_t> mount_id;
};

ItemAdder::ItemAdder(platform::Env& env, ItemList& list, job::EventSink* sink)
    : env_(env), list_(list), sink_(sink) {}

platform::Status ItemAdder::AddPath(std::string path) {
  refused_ = false;
  path = env_.UserPath(path);
  StripTrailingSlashes(&path);
  if (path.empty()) return platform::Status::Error(ENOENT, "an empty path names nothing");
  // "/" (or a drive root) and "." or ".." name a folder by a name that is not
  // its own entry: erasing them would take far more than the user meant, as rm refuses.
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const job::Reason refusal = IsRoot(path)                  ? job::Reason::kRefusedRoot
                              : name == "." || name == ".." ? job::Reason::kRefusedDots
                                                            : job::Reason::kNone;
  if (refusal != job::Reason::kNone) {
    Warn(refusal, path);
    refused_ = true;
    return platform::Status::Error(EINVAL, "refused to list '" + path + "'");
  }
  // The folder part is resolved by the system, once: "link/../x" is the x
  // the system finds, not the one the text suggests.
  const std::string parent = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  platform::Result<std::string> resolved = env_.ResolvePath(parent);
  if (!resolved.ok()) return resolved.status();
  platform::Result<std::unique_ptr<platform::Folder>> folder = env_.OpenFolder(*resolved, nullptr);
  if (!folder.ok()) return folder.status();
  platform::Result<platform::FileInfo> folder_info = (*folder)->Stat();
  if (!folder_info.ok()) return folder_info.status();
  platform::Result<platform::FileInfo> info = (*folder)->DescribeAt(name);
  if (!info.ok()) return info.status();
  const std::string full = Join(*resolved, name);
  list_.RecordFolder(*resolved, *folder_info, true);
  list_.AddItem(full, *info);
  if (info->kind == platform::FileKind::kDirectory) ScanTree(full, *info, ScanFlags{});
  return platform::Status::Ok();
}

void ItemAdder::ScanFolder(std::string folder, ScanFlags flags) {
  folder = env_.UserPath(folder);
  StripTrailingSlashes(&folder);
  platform::Result<std::string> resolved = env_.ResolvePath(folder);
  if (!resolved.ok()) {
    if (!IsQuietFailure(resolved.status())) Warn(job::Reason::kFolderUnreadable, folder);
    return;
  }
  const platform::Result<platform::FileInfo> info = env_.Describe(*resolved);
  if (!info.ok()) {
    if (!IsQuietFailure(info.status())) Warn(job::Reason::kFolderUnreadable, folder);
    return;
  }
  if (info->kind != platform::FileKind::kDirectory) return;
  list_.RecordFolder(*resolved, *info, true);
  ScanTree(std::move(*resolved), *info, flags);
}

void ItemAdder::ScanTree(std::string root, const platform::FileInfo& info, ScanFlags flags) {
  Origin origin;
  origin.device = info.device;
  if (const platform::Result<uint64_t> id = env_.MountId(root); id.ok()) origin.mount_id = *id;

  std::vector<Pending> pending{{std::move(root), info}};
  std::vector<Pending> subfolders;
  while (!pending.empty()) {
    const Pending current = std::move(pending.back());
    pending.pop_back();
    subfolders.clear();
    ScanOneFolder(current.path, flags, origin, &subfolders);
    // Reversed onto the stack, so the first subfolder listed is scanned next.
    std::move(subfolders.rbegin(), subfolders.rend(), std::back_inserter(pending));
  }
}

void ItemAdder::AddCommandLinePaths(std::string_view command_line) {
  for (std::string& path : SplitCommandLinePaths(command_line)) AddPath(std::move(path));
  list_.RefreshList(sink_);
}

void ItemAdder::AddArguments(std::span<const std::string> arguments) {
  for (std::string& path : ArgumentPaths(arguments)) AddPath(std::move(path));
  list_.RefreshList(sink_);
}

void ItemAdder::ScanOneFolder(const std::string& folder, ScanFlags flags, const Origin& origin,
                              std::vector<Pending>* subfolders) {
  platform::Result<std::unique_ptr<platform::Directory>> directory = env_.OpenDirectory(folder);
  if (!directory.ok()) {
    if (!IsQuietFailure(directory.status())) Warn(job::Reason::kFolderUnreadable, folder);
    return;
  }
  CountOpenedFolder();
  const std::string prefix = folder == "/" ? folder : folder + "/";
  bool incomplete = false;
  platform::DirEntry entry;
  while ((*directory)->Next(&entry)) {
    std::string path = prefix + entry.name;
    if (!entry.info_ok) {
      // Ask once more to tell an entry that just vanished from one that
      // cannot be examined.
      platform::Result<platform::FileInfo> again = env_.Describe(path);
      if (!again.ok()) {
        if (again.status().code() != ENOENT) incomplete = true;
        continue;
      }
      entry.info = *again;
    }
    const bool is_folder = entry.info.kind == platform::FileKind::kDirectory;
    if (is_folder && IsOtherMount(entry.info, path, origin)) {
      Warn(job::Reason::kSteppedOver, path);
      continue;
    }
    const bool descend = is_folder && flags.include_subfolders;
    // Folders flag: every entry; files flag: every entry not descended into.
    if (flags.add_folders || (flags.add_files && !descend)) {
      list_.AddItem(path, entry.info);
    } else if (descend) {
      // The erase reaches what is below through this folder and checks it.
      list_.RecordFolder(path, entry.info, false);
    }
    if (descend) subfolders->push_back({std::move(path), entry.info});
  }
  if (incomplete || !(*directory)->status().ok()) Warn(job::Reason::kFolderUnreadable, folder);
}

bool ItemAdder::IsOtherMount(const platform::FileInfo& info, const std::string& path,
                             const Origin& origin) {
  if (info.device != origin.device) return true;
  // A bind mount of the same file system keeps the device number.
  if (!origin.mount_id) return false;
  const platform::Result<uint64_t> id = env_.MountId(path);
  return id.ok() && *id != *origin.mount_id;
}

void ItemAdder::CountOpenedFolder() {
  if (folders_opened_ >= kFoldersPerProgress) {
    if (sink_ != nullptr) sink_->Report(job::ScanProgress{list_.EntryCount()});
    folders_opened_ = 0;
  }
  ++folders_opened_;
}

void ItemAdder::Warn(job::Reason reason, const std::string& path) {
  if (sink_ == nullptr) return;
  sink_->Report(
      job::Notice{.severity = job::Severity::kWarning, .reason = reason, .subject = path});
}

}  // namespace tarnwell::items
