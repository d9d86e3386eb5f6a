#include "erase/folder_walk.h"

#include <cerrno>
#include <utility>

#include "core/paths.h"

namespace tarnwell::erase {
namespace {

platform::Status Changed(const std::string& path, const platform::Status& why) {
  return platform::Status::Error(
      ESTALE, "'" + path + "' is no longer what was listed (" + why.message() + ")");
}

}  // namespace

bool Holds(std::string_view folder, std::string_view path) {
  if (path.size() < folder.size() || path.substr(0, folder.size()) != folder) return false;
  return path.size() == folder.size() || folder == "/" || path[folder.size()] == '/';
}

KnownFolders CollectKnownFolders(const items::ListedItems& listed) {
  KnownFolders known;
  for (const items::ListedItem& row : listed.rows) {
    if (row.info.kind == platform::FileKind::kDirectory) known[row.path] = {row.info, false, true};
  }
  for (const items::ListedItems::Folder& folder : listed.folders) {
    KnownFolder& entry = known[folder.item.path];
    entry.info = folder.item.info;
    entry.start = entry.start || folder.start;
  }
  return known;
}

FolderWalk::FolderWalk(platform::Env& env, const KnownFolders& known, OnLeave on_leave)
    : env_(env), known_(known), on_leave_(std::move(on_leave)) {}

void FolderWalk::Pop() {
  if (on_leave_) on_leave_(open_.back().path, open_.back().folder);
  open_.pop_back();
}

void FolderWalk::Close() {
  while (!open_.empty()) Pop();
}

platform::Result<platform::Folder*> FolderWalk::Reach(const std::string& path) {
  while (!open_.empty() && !Holds(open_.back().path, path)) Pop();
  if (open_.empty()) {
    if (platform::Status s = OpenStart(path); !s.ok()) return s;
  }
  bool restarted = false;
  while (open_.back().path != path) {
    const std::string& here = open_.back().path;
    const size_t begin = here == "/" ? 1 : here.size() + 1;
    const size_t end = path.find('/', begin);
    std::string next = path.substr(0, end);
    const auto known = known_.find(next);
    if (known == known_.end()) {
      // path was listed from a start below the open folder; go from there.
      if (restarted) return platform::Status::Error(ESTALE, "'" + next + "' was not listed");
      restarted = true;
      Close();
      if (platform::Status s = OpenStart(path); !s.ok()) return s;
      continue;
    }
    platform::Result<std::unique_ptr<platform::Folder>> folder =
        open_.back().folder->OpenFolderAt(next.substr(begin), &known->second.info);
    if (!folder.ok()) return Changed(next, folder.status());
    open_.push_back({std::move(next), std::move(*folder)});
  }
  return open_.back().folder.get();
}

platform::Status FolderWalk::OpenStart(const std::string& path) {
  // The deepest folder the user's paths were resolved to: the shortest walk.
  for (std::string_view folder = path; !folder.empty(); folder = core::ParentOf(folder)) {
    const auto known = known_.find(std::string(folder));
    if (known == known_.end() || !known->second.start) continue;
    platform::Result<std::unique_ptr<platform::Folder>> opened =
        env_.OpenFolder(known->first, &known->second.info);
    if (!opened.ok()) return Changed(known->first, opened.status());
    open_.push_back({known->first, std::move(*opened)});
    return platform::Status::Ok();
  }
  return platform::Status::Error(ESTALE, "'" + path + "' was not listed");
}

void FolderWalk::Forget(const std::string& path) {
  while (!open_.empty() && Holds(path, open_.back().path)) Pop();
}

}  // namespace tarnwell::erase
