// Finds the files in a user's stores that are traces of erased paths:
// thumbnails, KDE recent-document entries, .trashinfo records and Windows
// shortcuts. The recent list (recently-used.xbel) is edited, not erased, and
// lives in recent_list.h.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/env.h"
#include "traces/held_store.h"

namespace tarnwell::traces {

enum class TraceKind { kThumbnail, kBookmark, kRecentDocument, kTrashInfo, kShortcut };
// The kind's name in --json ("thumbnail", "bookmark", "recent_document",
// "trash_info", "shortcut").
const char* TraceKindName(TraceKind kind);

// One file to erase: where it is, what it is and whose trace.
struct FoundTrace {
  TraceKind kind = TraceKind::kThumbnail;
  std::string path;  // the trace file
  std::string of;    // the erased path it remembers
  platform::FileInfo info;
  std::vector<items::ListedItems::Folder> chain;  // how to walk to its folder
};

// Bounds past which a store is not a desktop's and is left alone.
inline constexpr uint64_t kMaxRecordBytes = uint64_t{1} << 20;  // one entry, shortcut, record
inline constexpr size_t kMaxStoreEntries = 100000;              // names in one store folder

// Receives each found trace, and each store left alone with its reason.
struct TraceFinderOutput {
  std::function<void(FoundTrace)> found;
  std::function<void(const StoreResult&)> refused;
};

// The traces of erased (local paths) in one user's stores. erased_folded
// holds the same paths ASCII lower-cased, for shortcuts, whose targets
// Windows compares without case.
void FindStoreTraces(platform::Env& env, const platform::DesktopStores& stores,
                     const std::set<std::string>& erased, const TraceFinderOutput& out);

// The .trashinfo of erased_path when it was an entry of a trash's files/
// folder (the home trash of stores, or .Trash-UID, .Trash/UID on a volume),
// and the path it was trashed from, which is a trace key too while nothing
// is there now.
void FindTrashInfo(platform::Env& env, const std::vector<platform::DesktopStores>& users,
                   const std::string& erased_path, const TraceFinderOutput& out,
                   std::string* trashed_from);

// The folder part and the last name of path.
std::string ParentOf(const std::string& path);
std::string BaseName(const std::string& path);

}  // namespace tarnwell::traces
