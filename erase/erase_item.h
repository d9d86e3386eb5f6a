// The erase of one listed item: a file is overwritten with zeros once per
// pass, stamped, renamed seven times and deleted; a folder is stamped every
// pass and renamed and removed on the last. Nothing is reported as erased
// unless every byte was written and synced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/aligned_buffer.h"
#include "erase/dir_slack.h"
#include "erase/erase_note.h"
#include "erase/erased_items.h"
#include "erase/folder_walk.h"
#include "items/listed_items.h"
#include "job/event_sink.h"
#include "job/progress_reporter.h"
#include "platform/env.h"

namespace tarnwell::erase {

// The job's counters for one run; EraseItem adds to the last three.
struct EraseCounters {
  int pass_count = 1;          // 1..10
  uint64_t total_bytes = 0;    // sizes of the listed files times pass_count
  uint64_t written_bytes = 0;  // zero bytes the file system accepted
  int error_count = 0;         // items kept by a failure
};

struct EraseOptions {
  // After the last pass, read every file back past the page cache and keep it
  // (kVerifyMismatch) unless it reads as zeros over its whole length.
  bool verify = false;
  // Told of every row removed from the disk, when it is gone; may be null.
  ErasedItemSink* erased_items = nullptr;
  // The state folder the erase notes its batches in, so that the next start
  // finishes what a kill left (see EraseNote); null: no note.
  platform::Folder* state_folder = nullptr;
};

// Erases listed items one after the other for one job. Every item is reached
// through its listed folders (FolderWalk) and must still be the object that
// was listed; anything else is kept and not touched. Every item ends in one
// ItemResult event (after Finish() for those whose deletion waits). Not
// thread-safe: the job's thread alone uses it. Files and folders of one
// volume are erased in batches that span folders: each file is overwritten
// when its item comes, then the batch's zeros are made durable at once, each
// file is renamed, the renames are made durable, the files are deleted; then
// the listed folders they emptied, the deepest first, are scrubbed and
// stamped, made durable, renamed, made durable and removed. So a file is
// never renamed before its zeros are on the disk nor deleted before its last
// name is, and a folder never removed before its scrub and last name are.
// Call Finish() after the last item before looking at the disk.
class ItemEraser final {
 public:
  // Writes go through blocks of this size; the O_DIRECT part of a file is
  // covered in these, the unaligned tail by one buffered write.
  static constexpr size_t kBlockBytes = size_t{4} << 20;
  // Highest alignment O_DIRECT may ask for that the zero block satisfies.
  static constexpr size_t kBlockAlignment = size_t{64} << 10;
  static_assert(kBlockBytes % kBlockAlignment == 0);
  // Entries of one batch at most: large enough that the syncs cost little
  // per file, small enough that a kill leaves little to finish.
  static constexpr size_t kMaxBatch = 4096;
  // Folders one batch holds open at most, well inside the usual limit of
  // 1,024 descriptors.
  static constexpr size_t kMaxBatchFolders = 256;
  // Every this many files of a batch add a round of renames and deletes, up
  // to kMaxRounds: a round costs one sync, and the folders hold fewer
  // entries for the next round's renames.
  static constexpr size_t kFilesPerRound = 512;
  static constexpr size_t kMaxRounds = 4;
  // Threads a round's renames and deletes are spread over, each with whole
  // folders: the file system serves different folders in parallel, which
  // halves the time of many small files on two cores.
  static constexpr size_t kRoundThreads = 2;

  // listed must outlive the eraser; its rows are the items EraseItem takes.
  ItemEraser(platform::Env& env, job::EventSink& sink, job::ProgressReporter& progress,
             EraseCounters& counters, const items::ListedItems& listed, EraseOptions options = {});
  ~ItemEraser();
  ItemEraser(const ItemEraser&) = delete;
  ItemEraser& operator=(const ItemEraser&) = delete;

  // Erases one listed item with counters.pass_count passes. A failure is a
  // kept result with its reason and counts in counters.error_count; a file
  // that was not fully overwritten and synced is kept under its own name.
  // Links are renamed and removed as links; FIFOs, sockets and devices are
  // skipped (kNotRegularFile). A file with names outside the list, one
  // another program has open, or anything on a kernel file system is kept
  // untouched.
  void EraseItem(const items::ListedItem& item);

  // Ends the batch: makes its zeros durable, reads the files back (verify),
  // renames each, makes the names durable, deletes them; then erases the
  // folders waiting for it, the deepest first.
  void Finish();

  // Finish(), then writes over the free entry space of every folder that
  // lost an entry and was not itself erased, so the old names leave its
  // blocks. Call once, after the last item. (A folder the walk leaves for
  // good is scrubbed then, through the handle it held all along.)
  void ScrubKeptFolders();

  // Rows removed from the disk by this eraser so far (after Finish()).
  int erased() const { return erased_; }

 private:
  // A folder the batch works in, through the walk's handle or, once the walk
  // has left it, through that same handle taken over.
  struct BatchFolder {
    std::string path;
    platform::Folder* handle = nullptr;  // null once closed for the folder's removal
    std::unique_ptr<platform::Folder> owned;
    // Random names given here, drawn again without asking the disk.
    std::unordered_set<std::string> taken;
  };
  struct BatchEntry {
    size_t folder = 0;  // in batch_folders_
    std::string name;   // the entry's name in its folder now
    items::ListedItem item;
    bool overwritten = false;  // zeros written by this batch, not yet durable
    bool kept = false;         // left out of the batch with a kept result
    platform::Status rename_failure;
    // How its deletion went, from a round's worker to the job's thread.
    bool changed = false;  // another object under its random name
    platform::Status delete_failure;
  };
  // A listed folder whose erase waits for the batch that empties it.
  struct FolderRemoval {
    size_t parent = 0;  // in batch_folders_
    size_t folder = 0;
    std::string name;
    items::ListedItem item;
  };
  using ObjectId = std::pair<uint64_t, uint64_t>;  // device, inode

  bool KernelView(platform::Folder& folder, const items::ListedItem& item);
  // False after a kept result when the entry could not be renamed and
  // removed from parent, so nothing of it is touched.
  bool Removable(platform::Folder& parent, const std::string& name, const items::ListedItem& item);
  // mode: the file's permission bits as just examined.
  void EraseFile(platform::Folder& parent, const std::string& name, const items::ListedItem& item,
                 uint32_t mode);
  // Adds the folder to the batch's waiting folders.
  void EraseFolder(platform::Folder& parent, const std::string& name,
                   const items::ListedItem& item);
  // The fixed file time, worked out on first use.
  const platform::Result<platform::FileTime>& FixedTime();
  // One pass over the file, synced unless last; false after a kept result.
  bool OverwritePass(platform::Folder& parent, const std::string& name,
                     const items::ListedItem& item, bool first, bool last);
  platform::Status CoverWithZeros(platform::WritableFile& file, uint64_t size);
  platform::Status CoverRange(platform::WritableFile& file, uint64_t offset, uint64_t end);
  // Reads the file back from the disk; false after a kept result.
  bool VerifyZeros(platform::Folder& parent, const std::string& name,
                   const items::ListedItem& item);
  // Ends the batch first when an entry of device would not fit in it.
  void MakeRoom(uint64_t device);
  // The batch's index of the open folder at path, added when new.
  size_t BatchFolderOf(platform::Folder& folder, const std::string& path);
  // Adds the entry to the batch; parent is the folder of item.
  void JoinBatch(platform::Folder& parent, const std::string& name, const items::ListedItem& item,
                 bool overwritten);
  // One sync of the batch's volume through any of its folders; the last
  // failure when none of them can (folders that may only be searched).
  platform::Status SyncBatchVolume();
  // The batch's zeros reach the disk; entries that cannot are kept.
  void MakeZerosDurable();
  // The batch's entries renamed, their names durable, then deleted.
  void RenameAndDelete();
  // One round of that for part of the batch's entries (none kept).
  void RenameAndDeleteRound(const std::vector<BatchEntry*>& part);
  // work on every entry of part, on up to kRoundThreads threads that each
  // take whole folders (a folder handle has one user at a time). work may
  // change its entry and that entry's folder, nothing else: no events.
  void ForEachByFolder(const std::vector<BatchEntry*>& part,
                       const std::function<void(BatchEntry&)>& work);
  // The waiting folders of one depth: scrubbed, stamped, synced, renamed,
  // synced, removed.
  void RemoveFolders(const std::vector<const FolderRemoval*>& level);
  // Whether the waiting folder is empty and may go; a kept result otherwise
  // (a folder that stays is scrubbed then).
  bool EmptyAndRemovable(const FolderRemoval& removal);
  // After its scrub: the folder stamped every pass, still under its name; a
  // kept result otherwise.
  bool StampedAndUnchanged(const FolderRemoval& removal);
  // The folders the walk has left: scrubbed where kept, removals durable.
  void LeaveBatchFolders();
  void SyncFolder(platform::Folder& folder);
  // Writes over the folder's free entry space; a warning on failure. sync
  // false when the caller syncs the volume next.
  void ScrubSlack(platform::Folder& folder, const std::string& path, bool sync = true);
  // What follows a scrub of the folder at path; synced when the scrub synced it.
  void Scrubbed(const std::string& path, const SlackScrubResult& scrub, bool synced);
  // A sync of the volume made every removal on it durable.
  void VolumeSynced(uint64_t device);
  // The walk closes path: a batch still working there takes the handle; a
  // kept folder that lost entries is scrubbed now.
  void LeaveFolder(const std::string& path, std::unique_ptr<platform::Folder>& folder);
  // The item stays: one kept result, counted as an error.
  void Keep(const items::ListedItem& item, job::Reason reason,
            const platform::Status& why = platform::Status::Ok(), int count = 0);
  void Erased(const std::string& path, const platform::FileInfo& info,
              const platform::Status& rename_failure);
  void Warn(job::Reason reason, const std::string& subject, const platform::Status& why);

  platform::Env& env_;
  job::EventSink& sink_;
  job::ProgressReporter& progress_;
  EraseCounters& counters_;
  EraseOptions options_;
  core::AlignedBuffer zeros_;
  core::AlignedBuffer read_buffer_;
  KnownFolders known_;
  FolderWalk walk_;
  // Listed names of each file not removed yet, to tell names outside the list.
  std::map<ObjectId, uint32_t> listed_names_;
  std::set<ObjectId> overwritten_;  // files done under another listed name
  std::string checked_folder_;      // the last folder found on a stored-data file system
  std::vector<BatchFolder> batch_folders_;
  std::unordered_map<platform::Folder*, size_t> batch_folder_index_;
  std::vector<BatchEntry> batch_;
  std::vector<FolderRemoval> removals_;
  uint64_t batch_device_ = 0;
  platform::Status sync_refused_;  // why no folder of the batch could sync its volume
  EraseNote note_;
  bool batch_noted_ = false;  // the note holds the running batch
  size_t noted_folder_ = 0;   // the batch folder the note's last section is of
  // The fixed file time, worked out once (it reads the system's time zone).
  std::optional<platform::Result<platform::FileTime>> replacement_time_;
  // Folders that lost entries and have not been scrubbed since.
  std::set<std::string> emptied_folders_;
  // Folders whose removals are not durable yet, with their volume.
  std::map<std::string, uint64_t> removals_unsynced_;
  int erased_ = 0;
};

}  // namespace tarnwell::erase
