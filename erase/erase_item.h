// The erase of one listed item: a file is overwritten with zeros once per
// pass, stamped, renamed seven times and deleted; a folder is stamped every
// pass and renamed and removed on the last. Nothing is reported as erased
// unless every byte was written and synced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/aligned_buffer.h"
#include "core/window_port.h"
#include "erase/progress_reporter.h"
#include "platform/env.h"

namespace tarnwell::erase {

// The job's counters for one run; EraseItem adds to the last three.
struct EraseCounters {
  int pass_count = 1;          // 1..10
  uint64_t total_bytes = 0;    // sizes of the listed files times pass_count
  uint64_t written_bytes = 0;  // zero bytes the file system accepted
  int error_count = 0;         // error rows added
};

struct EraseOptions {
  // After the last pass, read every file back past the page cache and keep it
  // (an error row) unless it reads as zeros over its whole length.
  bool verify = false;
};

// Erases items one after the other for one job. Not thread-safe: the job's
// thread alone uses it. Deletions are batched per folder (the random names
// are synced before the entries go, and the removals afterwards), so call
// Finish() after the last item before looking at the disk.
class ItemEraser final {
 public:
  // Writes go through blocks of this size; the O_DIRECT part of a file is
  // covered in these, the unaligned tail by one buffered write.
  static constexpr size_t kBlockBytes = size_t{4} << 20;
  // Highest alignment O_DIRECT may ask for that the zero block satisfies.
  static constexpr size_t kBlockAlignment = size_t{64} << 10;
  static_assert(kBlockBytes % kBlockAlignment == 0);
  // Deleted entries waiting for their folder's sync at most.
  static constexpr size_t kMaxPendingDeletes = 512;

  ItemEraser(platform::Env& env, core::WindowPort& port, ProgressReporter& progress,
             EraseCounters& counters, EraseOptions options = {});
  ~ItemEraser();
  ItemEraser(const ItemEraser&) = delete;
  ItemEraser& operator=(const ItemEraser&) = delete;

  // Erases the item at path (never following a link) with counters.pass_count
  // passes. Failures become error rows naming the path and the reason and
  // count in counters.error_count; a file that was not fully overwritten and
  // synced is kept under its own name. Links are renamed and removed as
  // links; FIFOs, sockets and devices get a warning row and are left alone.
  void EraseItem(const std::string& path);

  // Syncs the folder of the pending deletions, deletes them and syncs again.
  // Folders wait longer: see RemovePendingFolders().
  void Finish();

  // Finish() and RemovePendingFolders(), then writes over the free entry
  // space of every folder that lost an entry and was not itself erased, so
  // the old names leave its blocks. Call once, after the last item.
  void ScrubKeptFolders();

 private:
  struct PendingDelete {
    std::string current_path;
    std::string listed_path;
  };

  void EraseFile(const std::string& path, const platform::FileInfo& info);
  void EraseFolder(const std::string& path);
  void EraseLink(const std::string& path);
  // One pass over an open file; false after an error row.
  bool OverwritePass(const std::string& path, const platform::FileInfo& info);
  platform::Status CoverWithZeros(platform::WritableFile& file, uint64_t size);
  // Reads the file back from the disk; false after an error row.
  bool VerifyZeros(const std::string& path);
  void RenameAndQueueDelete(const std::string& path);
  void SyncFolder(const std::string& folder);
  // Removes the folders that were scrubbed, stamped and renamed, after one
  // sync of the file system for all of them; a folder that cannot go gets
  // its listed name back and an error row. Runs before the parent of one of
  // them is erased, at every kMaxPendingDeletes folders, and at the end.
  void RemovePendingFolders();
  // Writes over the folder's free entry space; a warning row on failure.
  void ScrubSlack(const std::string& folder);
  void ReportError(const std::string& text);

  platform::Env& env_;
  core::WindowPort& port_;
  ProgressReporter& progress_;
  EraseCounters& counters_;
  EraseOptions options_;
  core::AlignedBuffer zeros_;
  core::AlignedBuffer read_buffer_;
  std::string pending_folder_;
  bool pending_sync_ = false;
  std::vector<PendingDelete> pending_deletes_;
  std::vector<PendingDelete> pending_removals_;  // folders, renamed
  // Folders that lost entries and have not been scrubbed since.
  std::set<std::string> emptied_folders_;
};

}  // namespace tarnwell::erase
