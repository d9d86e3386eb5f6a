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

#include "core/window_port.h"
#include "items/path_arena.h"
#include "items/path_index.h"
#include "platform/env.h"

namespace tarnwell::items {

// "Items:<rows> <total>" in the current language, the same shape in all.
std::string ItemsSummaryText(int rows, uint64_t total_bytes);

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

  // Records path with its size. A path already recorded (the same bytes) keeps
  // its one entry and takes the new size. The rows change only on refresh.
  void AddItem(std::string_view path, uint64_t size);

  // Rebuilds the rows from every recorded path that exists now, in byte order
  // of the paths, then tells port (if any) the new row count and sets its
  // status line to "Ready // Items:<rows> <total size of all entries>".
  void RefreshList(core::WindowPort* port);

  // Forgets every entry and row and tells port (if any) that no row is left.
  // Touches no file and leaves the status line alone.
  void ResetList(core::WindowPort* port);

  // Number of rows as of the last refresh.
  int RowCount() const;

  // "Items:<rows> <total size of all entries>" in the current language: the
  // status line of the last refresh without its "Ready // " part.
  std::string ItemsSummary() const;

  // The text of one cell: column 0 the path (its bytes as stored), column 1
  // "<DIR>" for a folder other than "." and "..", else the recorded size as
  // text. Empty for a row or column that does not exist (any more).
  std::optional<std::string> GetCellText(int row, int column) const;

  // The paths of all rows in row order: a copy, so an erase job can work on
  // the list as it was when it started.
  std::vector<std::string> RowPaths() const;

  // Number of recorded entries, shown or not.
  size_t EntryCount() const;

 private:
  struct Entry {
    std::string_view path;  // in arena_
    uint64_t size;
  };
  void SortNewEntries();
  std::vector<bool> FindExistingEntries() const;
  void MarkExisting(std::string_view folder, const std::vector<uint32_t>& members,
                    std::vector<bool>* exists) const;
  bool Exists(std::string_view path) const;

  platform::Env& env_;
  mutable std::mutex mutex_;
  PathArena arena_;
  std::vector<Entry> entries_;
  PathIndex index_;
  std::vector<uint32_t> sorted_;  // the first sorted_.size() entries, in path order
  std::vector<uint32_t> rows_;    // entry numbers, in path order
};

}  // namespace tarnwell::items
