// What an erase job takes from the item list: every row with the identity it
// had when it was listed, and the folders the erase reaches the rows through.
#pragma once

#include <string>
#include <vector>

#include "platform/env.h"

namespace tarnwell::items {

struct ListedItem {
  std::string path;
  platform::FileInfo info;  // as seen when listed; kind kOther with inode 0 when never seen
};

struct ListedItems {
  std::vector<ListedItem> rows;  // in row order
  // Folders that hold a listed path without being listed themselves: the
  // resolved folder each added path was found in (an erase opens these by
  // path, checked against their identity) and, first flag false, folders a
  // scan passed through without adding them.
  struct Folder {
    ListedItem item;
    bool start = false;  // may be opened by its path
  };
  std::vector<Folder> folders;
};

}  // namespace tarnwell::items
