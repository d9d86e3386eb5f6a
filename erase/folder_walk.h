// How the erase reaches the folder of a listed item: from a folder the user's
// path was resolved to, one open folder at a time, each checked against the
// identity it had when listed. Nothing is looked up by its whole path again,
// so a folder swapped for a link, a mount or another folder after the listing
// stops the walk instead of leading it elsewhere.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "items/listed_items.h"
#include "platform/env.h"

namespace tarnwell::erase {

// The folders an erase may pass through, by path, with their listed identity.
struct KnownFolder {
  platform::FileInfo info;
  bool start = false;   // may be opened by its path
  bool listed = false;  // a row of its own, which the erase removes
};
using KnownFolders = std::unordered_map<std::string, KnownFolder>;

// Every folder of listed: the recorded ones and the rows listed as folders.
KnownFolders CollectKnownFolders(const items::ListedItems& listed);

// Keeps the chain of open folders of the last item, like rm -r, so items of
// one folder cost one open in all. Not thread-safe.
class FolderWalk final {
 public:
  // Told of every folder the walk is about to close (not in its destructor),
  // while the handle is still open. It may take the handle (a batch that
  // still has work there); it must not call the walk.
  using OnLeave =
      std::function<void(const std::string& path, std::unique_ptr<platform::Folder>& folder)>;

  FolderWalk(platform::Env& env, const KnownFolders& known, OnLeave on_leave = {});

  // The open folder at path. ESTALE ("no longer what was listed") when a
  // folder on the way is not the one listed, or is no folder any more; the
  // open's own error otherwise. The folder stays valid until the next Reach
  // or Forget.
  platform::Result<platform::Folder*> Reach(const std::string& path);

  // Closes path and what is open below it (before it is renamed).
  void Forget(const std::string& path);

  // Closes every open folder, deepest first.
  void Close();

 private:
  struct Step {
    std::string path;
    std::unique_ptr<platform::Folder> folder;
  };
  platform::Status OpenStart(const std::string& path);
  void Pop();

  platform::Env& env_;
  const KnownFolders& known_;
  OnLeave on_leave_;
  std::vector<Step> open_;  // each one inside the one before
};

// path is folder itself or lies below it ("/a" holds "/a/b", not "/ab").
bool Holds(std::string_view folder, std::string_view path);

}  // namespace tarnwell::erase
