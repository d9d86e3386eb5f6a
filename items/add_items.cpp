// Adding paths and scanning folders. A scan goes down through open folders,
// one handle per level and each opened inside its parent, so a tree deeper
// than the longest path the system takes is listed whole; a stack of the
// folders still to scan keeps the call stack flat.
#include "items/add_items.h"

#include <cctype>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>
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

// An open folder of the scan and its subfolders, of which next is the next
// to go into.
struct ItemAdder::Level {
  std::string path;
  std::unique_ptr<platform::Folder> folder;
  std::vector<Pending> subfolders;
  size_t next = 0;
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

  platform::Result<std::unique_ptr<platform::Folder>> opened = env_.OpenFolder(root, &info);
  if (!opened.ok()) {
    if (!IsQuietFailure(opened.status())) Warn(job::Reason::kFolderUnreadable, root);
    return;
  }
  std::vector<Level> levels;
  levels.push_back({std::move(root), std::move(*opened), {}, 0});
  ScanOneFolder(levels.back(), flags, origin);
  while (!levels.empty()) {
    Level& here = levels.back();
    if (here.next == here.subfolders.size()) {
      levels.pop_back();
      continue;
    }
    Pending& sub = here.subfolders[here.next++];
    const std::string_view name =
        std::string_view(sub.path).substr(here.path.size() + (here.path == "/" ? 0 : 1));
    platform::Result<std::unique_ptr<platform::Folder>> child =
        here.folder->OpenFolderAt(std::string(name), &sub.info);
    if (!child.ok()) {
      if (!IsQuietFailure(child.status())) Warn(job::Reason::kFolderUnreadable, sub.path);
      continue;
    }
    levels.push_back({std::move(sub.path), std::move(*child), {}, 0});
    ScanOneFolder(levels.back(), flags, origin);
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

void ItemAdder::ScanOneFolder(Level& level, ScanFlags flags, const Origin& origin) {
  const std::string& folder = level.path;
  platform::Result<std::vector<std::string>> names = level.folder->ListNames();
  if (!names.ok()) {
    if (!IsQuietFailure(names.status())) Warn(job::Reason::kFolderUnreadable, folder);
    return;
  }
  CountOpenedFolder();
  const std::string prefix = folder == "/" ? folder : folder + "/";
  bool incomplete = false;
  for (const std::string& name : *names) {
    platform::Result<platform::FileInfo> info = level.folder->DescribeAt(name);
    if (!info.ok()) {
      // One that just vanished is no loss; one that cannot be examined is.
      if (info.status().code() != ENOENT) incomplete = true;
      continue;
    }
    std::string path = prefix + name;
    const bool is_folder = info->kind == platform::FileKind::kDirectory;
    if (is_folder && IsOtherMount(*info, path, origin)) {
      Warn(job::Reason::kSteppedOver, path);
      continue;
    }
    const bool descend = is_folder && flags.include_subfolders;
    // Folders flag: every entry; files flag: every entry not descended into.
    if (flags.add_folders || (flags.add_files && !descend)) {
      list_.AddItem(path, *info);
    } else if (descend) {
      // The erase reaches what is below through this folder and checks it.
      list_.RecordFolder(path, *info, false);
    }
    if (descend) level.subfolders.push_back({std::move(path), *info});
  }
  if (incomplete) Warn(job::Reason::kFolderUnreadable, folder);
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
