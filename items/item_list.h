// The list of files and folders queued for erasure: every path recorded with
// its size, and the rows shown, which are the recorded paths that existed at
// the last refresh, in byte order. Plain C++ so that the window's table model,
// the erase job and a folder-import worker can all use one instance.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "items/listed_items.h"
#include "items/path_arena.h"
#include "items/path_index.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::items {

// Thread-safe: every operation holds one lock for its whole run. Window calls
// are made after the lock is released, so a window that reads the list while
// carrying out a worker's call cannot deadlock; when two refreshes race, the
// row count a window hears may be stale, so views ask RowCount() themselves.
class ItemList final {
 public:
  static constexpr int kPathColumn = 0;
  static constexpr int kSizeColumn = 1;
  static constexpr std::string_view kFolderSizeText = "<DIR>";

  // env answers the existence and folder questions of refresh and cell texts.
  explicit ItemList(platform::Env& env);
  ItemList(const ItemList&) = delete;
  ItemList& operator=(const ItemList&) = delete;

  // Records path with what was seen of it when listed (kind, size, identity,
  // links). A path already recorded (the same bytes) keeps its one entry and
  // takes the new description. The rows change only on refresh, which takes
  // an entry recorded this way since the last refresh as existing.
  void AddItem(std::string_view path, const platform::FileInfo& info);
  // Records path with a size only, without an identity: shown like any entry,
  // but an erase finds nothing listed there and leaves it alone.
  void AddItem(std::string_view path, uint64_t size);

  // Records a folder that holds listed paths without being listed itself
  // (see ListedItems::folders). start: an erase may open it by its path.
  void RecordFolder(std::string_view path, const platform::FileInfo& info, bool start);

  // Rebuilds the rows from every recorded path that exists now, in byte order
  // of the paths, then tells sink (if any) the new row count and the total
  // size of all entries (ListChanged).
  void RefreshList(job::EventSink* sink);

  // Forgets every entry and row and tells sink (if any) that no row is left
  // (ListChanged with reset). Touches no file.
  void ResetList(job::EventSink* sink);

  // Takes rows (numbers as of the last refresh; others are ignored) out of
  // the list: their entries stay out of every refresh and erase until they
  // are added again. Touches no file; then tells sink (if any) the new row
  // count and total size (ListChanged).
  void RemoveRows(const std::vector<int>& rows, job::EventSink* sink);

  // Number of rows as of the last refresh.
  int RowCount() const;

  // The rows and the total size of all entries as of the last refresh.
  struct Summary {
    int rows = 0;
    uint64_t total_bytes = 0;
  };
  Summary ItemsSummary() const;

  // The text of one cell: column 0 the path (its bytes as stored), column 1
  // "<DIR>" for an entry listed as a folder, else the recorded size as text.
  // Asks nothing of the disk. Empty for a row or column that does not exist
  // (any more).
  std::optional<std::string> GetCellText(int row, int column) const;

  // The paths of all rows in row order: a copy, so an erase job can work on
  // the list as it was when it started.
  std::vector<std::string> RowPaths() const;

  // The rows with their identities and the folders recorded on their way,
  // copied, for an erase job.
  ListedItems Listed() const;

  // Number of recorded entries, shown or not.
  size_t EntryCount() const;

 private:
  struct Entry {
    std::string_view path;  // in arena_
    uint64_t size;
    uint64_t device;
    uint64_t inode;
    uint64_t allocated;
    uint32_t links;
    platform::FileKind kind;
    bool seen;             // examined on disk since the last refresh
    bool removed = false;  // taken out of the list by the user
  };
  uint32_t Record(std::string_view path);
  platform::FileInfo InfoOf(const Entry& entry) const;
  void SortNewEntries();
  std::vector<bool> FindExistingEntries();
  uint64_t TotalSize() const;
  void MarkExisting(std::string_view folder, const std::vector<uint32_t>& members,
                    std::vector<bool>* exists) const;
  bool Exists(std::string_view path) const;
  // Exists for a path longer than the system takes: from its longest folder
  // part that it takes, down through folder handles.
  bool ExistsBeyondLongestPath(std::string_view path) const;

  platform::Env& env_;
  mutable std::mutex mutex_;
  PathArena arena_;
  std::vector<Entry> entries_;
  PathIndex index_;
  std::vector<uint32_t> sorted_;  // the first sorted_.size() entries, in path order
  std::vector<uint32_t> rows_;    // entry numbers, in path order
  std::vector<ListedItems::Folder> folders_;
  PathIndex folder_index_;
};

}  // namespace tarnwell::items
