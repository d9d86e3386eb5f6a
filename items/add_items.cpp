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
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::items {
namespace {

constexpr int kItemsText = 33;
constexpr int kSteppedOverText = 74;  // "Stepped over another file system: %s"
constexpr int kUnreadableText = 75;   // "Folder could not be read: %s"
// Progress is painted once per this many opened folders: enough to show life
// during a long scan, rare enough to cost nothing.
constexpr int kFoldersPerProgress = 21;

// "x/" would make the system follow a link named x; "x" names the link itself.
void StripTrailingSlashes(std::string* path) {
  while (path->size() > 1 && path->back() == '/') path->pop_back();
}

// "/" and a drive root ("C:" once the slash is gone, or "C:\") have no entry
// in a folder of their own. On Linux only a relative path to an entry named
// like a drive looks the same; that rare one is dropped too.
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

}  // namespace

// Where a scan started: folders on another device or another mount are not
// descended into.
struct ItemAdder::Origin {
  uint64_t device = 0;
  std::optional<uint64_t> mount_id;
};

ItemAdder::ItemAdder(platform::Env& env, ItemList& list, core::WindowPort* port)
    : env_(env), list_(list), port_(port) {}

void ItemAdder::AddPath(std::string path) {
  StripTrailingSlashes(&path);
  if (path.empty() || IsRoot(path)) return;
  const platform::Result<platform::FileInfo> info = env_.Describe(path);
  if (!info.ok()) return;
  list_.AddItem(path, info->size);
  if (info->kind == platform::FileKind::kDirectory && path != "." && path != "..") {
    ScanFolder(std::move(path), ScanFlags{});
  }
}

void ItemAdder::ScanFolder(std::string folder, ScanFlags flags) {
  StripTrailingSlashes(&folder);
  const platform::Result<platform::FileInfo> info = env_.Describe(folder);
  if (!info.ok()) {
    if (!IsQuietFailure(info.status())) Warn(kUnreadableText, folder);
    return;
  }
  if (info->kind != platform::FileKind::kDirectory) return;
  Origin origin;
  origin.device = info->device;
  if (const platform::Result<uint64_t> id = env_.MountId(folder); id.ok()) origin.mount_id = *id;

  std::vector<std::string> pending{std::move(folder)};
  std::vector<std::string> subfolders;
  while (!pending.empty()) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    subfolders.clear();
    ScanOneFolder(current, flags, origin, &subfolders);
    // Reversed onto the stack, so the first subfolder listed is scanned next.
    std::move(subfolders.rbegin(), subfolders.rend(), std::back_inserter(pending));
  }
}

void ItemAdder::AddCommandLinePaths(std::string_view command_line) {
  for (std::string& path : SplitCommandLinePaths(command_line)) AddPath(std::move(path));
  list_.RefreshList(port_);
}

void ItemAdder::AddArguments(std::span<const std::string> arguments) {
  for (std::string& path : ArgumentPaths(arguments)) AddPath(std::move(path));
  list_.RefreshList(port_);
}

void ItemAdder::ScanOneFolder(const std::string& folder, ScanFlags flags, const Origin& origin,
                              std::vector<std::string>* subfolders) {
  platform::Result<std::unique_ptr<platform::Directory>> directory = env_.OpenDirectory(folder);
  if (!directory.ok()) {
    if (!IsQuietFailure(directory.status())) Warn(kUnreadableText, folder);
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
      Warn(kSteppedOverText, path);
      continue;
    }
    const bool descend = is_folder && flags.include_subfolders;
    // Folders flag: every entry; files flag: every entry not descended into.
    if (flags.add_folders || (flags.add_files && !descend)) list_.AddItem(path, entry.info.size);
    if (descend) subfolders->push_back(std::move(path));
  }
  if (incomplete || !(*directory)->status().ok()) Warn(kUnreadableText, folder);
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
    if (port_ != nullptr) {
      port_->SetStatusText(text::LookupUtf8(kItemsText) + ":" + std::to_string(list_.EntryCount()));
    }
    folders_opened_ = 0;
  }
  ++folders_opened_;
}

void ItemAdder::Warn(int text_id, const std::string& path) {
  if (port_ == nullptr) return;
  port_->InsertMessage(text::FormatText(text::LookupUtf8(text_id), {path}),
                       core::MessageIcon::kWarning);
}

}  // namespace tarnwell::items
