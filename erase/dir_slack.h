// The free record space of a folder: when an entry goes, its bytes (the name
// included) stay behind inside its neighbour's record until something new is
// written there. The scrub writes there: entries with the longest names the
// folder allows, created until the folder's blocks are full, then removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/env.h"

namespace tarnwell::erase {

// The few calls the scrub makes on the one folder it works in. Names are
// entries of that folder, never paths. Not thread-safe.
class SlackFolder {
 public:
  virtual ~SlackFolder() = default;
  // The folder's own size in bytes (its blocks, as the file system counts them).
  virtual platform::Result<uint64_t> Size() = 0;
  // Creates an empty regular file; EEXIST when anything has that name.
  virtual platform::Status CreateEntry(const std::string& name) = 0;
  virtual platform::Status RemoveEntry(const std::string& name) = 0;
  // fsync of the folder: its entries reach the journal or the disk.
  virtual platform::Status Sync() = 0;
  // The longest name one entry may have here, in bytes.
  virtual size_t MaxNameLength() = 0;
};

// The open folder as a SlackFolder: every entry is made and removed relative
// to the handle, so a folder swapped at its path meanwhile is not followed.
// With sync false its Sync does nothing, for a caller that syncs the whole
// volume next. folder must outlive the result.
std::unique_ptr<SlackFolder> SlackFolderOf(platform::Folder& folder, bool sync = true);

struct SlackScrubResult {
  int entries = 0;          // entries created (and removed again)
  platform::Status status;  // the first failure; the scrub stopped there
};

// Prefix of every scrub entry, so one left by a crash is recognisable.
inline constexpr std::string_view kSlackEntryPrefix = ".tarnwell-slack-";

// Creates entries with names of the folder's longest length until the
// folder's size grows (every gap such a name fits in is written over), a full
// volume refuses one more (ENOSPC), or one entry per such name's share of the
// folder's blocks was made; then removes them all and syncs the folder.
// Entries it made are removed even after a failure.
SlackScrubResult ScrubFolderSlack(SlackFolder& folder);

}  // namespace tarnwell::erase
