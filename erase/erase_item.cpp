#include "erase/erase_item.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "core/paths.h"
#include "core/side_by_side.h"
#include "erase/dir_slack.h"
#include "erase/file_times.h"
#include "erase/named_streams.h"
#include "erase/rename_in_folder.h"
#include "job/random_name.h"

namespace tarnwell::erase {
namespace {

constexpr uint32_t kOwnerWrite = 0200;

bool AllZero(const unsigned char* data, size_t length) {
  return std::all_of(data, data + length, [](unsigned char b) { return b == 0; });
}

bool IsChange(const platform::Status& status) {
  return status.code() == ESTALE || status.code() == ELOOP || status.code() == ENOTDIR;
}

}  // namespace

ItemEraser::ItemEraser(platform::Env& env, job::EventSink& sink, job::ProgressReporter& progress,
                       EraseCounters& counters, const items::ListedItems& listed,
                       EraseOptions options)
    : env_(env),
      sink_(sink),
      progress_(progress),
      counters_(counters),
      options_(options),
      known_(CollectKnownFolders(listed)),
      walk_(env, known_,
            [this](const std::string& path, std::unique_ptr<platform::Folder>& folder) {
              LeaveFolder(path, folder);
            }),
      note_(env, options.state_folder) {
  zeros_ = core::AllocateZeroedAligned(kBlockAlignment, kBlockBytes);
  for (const items::ListedItem& row : listed.rows) {
    if (row.info.kind == platform::FileKind::kRegular) {
      ++listed_names_[{row.info.device, row.info.inode}];
    }
  }
}

ItemEraser::~ItemEraser() { Finish(); }

void ItemEraser::Keep(const items::ListedItem& item, job::Reason reason,
                      const platform::Status& why, int count) {
  sink_.Report(job::ItemResult{.path = item.path,
                               .kind = item.info.kind,
                               .outcome = job::Outcome::kKept,
                               .reason = reason,
                               .error_code = why.code(),
                               .detail = why.message(),
                               .count = count});
  ++counters_.error_count;
}

void ItemEraser::Erased(const std::string& path, const platform::FileInfo& info,
                        const platform::Status& rename_failure) {
  sink_.Report(job::ItemResult{
      .path = path,
      .kind = info.kind,
      .outcome = job::Outcome::kErased,
      .reason = rename_failure.ok() ? job::Reason::kNone : job::Reason::kRenameFailed,
      .error_code = rename_failure.code(),
      .detail = rename_failure.message(),
      .bytes = info.kind == platform::FileKind::kRegular ? info.size : 0});
  ++erased_;
  if (options_.erased_items) options_.erased_items->ItemErased(path, info.kind);
}

void ItemEraser::Warn(job::Reason reason, const std::string& subject, const platform::Status& why) {
  sink_.Report(job::Notice{.severity = job::Severity::kWarning,
                           .reason = reason,
                           .subject = subject,
                           .error_code = why.code(),
                           .detail = why.message()});
}

void ItemEraser::EraseItem(const items::ListedItem& item) {
  const std::string& path = item.path;
  const std::string name(core::NameOf(path));
  const std::string folder_path = core::FolderOf(path);
  platform::Result<platform::Folder*> parent =
      item.info.inode == 0 ? platform::Result<platform::Folder*>(platform::Status::Error(
                                 ESTALE, "'" + path + "' was listed without an identity"))
                           : walk_.Reach(folder_path);
  if (!parent.ok()) {
    Keep(item, item.info.inode == 0 ? job::Reason::kNoIdentity : job::Reason::kChangedSinceListed,
         parent.status());
    return;
  }
  if (KernelView(**parent, item)) return;
  platform::Result<platform::FileInfo> now = (*parent)->DescribeAt(name);
  if (!now.ok()) {
    Keep(item, job::Reason::kFailed, now.status());
    return;
  }
  if (!platform::SameObject(*now, item.info) || now->kind != item.info.kind) {
    Keep(item, job::Reason::kChangedSinceListed);
    return;
  }
  switch (item.info.kind) {
    case platform::FileKind::kRegular:
      if (!Removable(**parent, name, item)) return;
      EraseFile(**parent, name, item, now->mode);
      return;
    case platform::FileKind::kDirectory:
      EraseFolder(**parent, name, item);
      return;
    case platform::FileKind::kSymlink:
      if (!Removable(**parent, name, item)) return;
      // rename and unlink act on the link itself; its target is never opened.
      JoinBatch(**parent, name, item, false);
      return;
    default:
      // Writing zeros into a FIFO or a device would erase nothing of the
      // entry and could destroy something else entirely.
      sink_.Report(job::ItemResult{.path = path,
                                   .kind = item.info.kind,
                                   .outcome = job::Outcome::kSkipped,
                                   .reason = job::Reason::kNotRegularFile});
      return;
  }
}

bool ItemEraser::Removable(platform::Folder& parent, const std::string& name,
                           const items::ListedItem& item) {
  // Zeros written into what then cannot be removed would destroy data the
  // user may not delete (another user's file in a sticky folder).
  const platform::Status removable = parent.CheckRemovable(name);
  if (removable.ok()) return true;
  Keep(item, job::Reason::kNotRemovable, removable);
  return false;
}

bool ItemEraser::KernelView(platform::Folder& folder, const items::ListedItem& item) {
  if (folder.path() == checked_folder_) return false;
  platform::Result<platform::FileSystemInfo> fs = folder.StatFs();
  if (fs.ok() && fs->kernel_view) {
    // A write there is a command to the kernel, and a removal may be one too.
    Keep(item, job::Reason::kKernelFileSystem, platform::Status::Error(EPERM, fs->type));
    return true;
  }
  checked_folder_ = folder.path();
  return false;
}

void ItemEraser::EraseFile(platform::Folder& parent, const std::string& name,
                           const items::ListedItem& item, uint32_t mode) {
  const ObjectId id{item.info.device, item.info.inode};
  // Another listed name of the same file has had its passes already.
  const bool overwrite = overwritten_.count(id) == 0;
  if (overwrite) {
    MakeRoom(item.info.device);
    const size_t folder = BatchFolderOf(parent, core::FolderOf(item.path));
    // Noted before the first byte, so a kill names what it cut short.
    if (!batch_noted_) note_.BeginBatch();
    if (!batch_noted_ || noted_folder_ != folder) {
      platform::Result<platform::FileInfo> held = parent.Stat();
      if (held.ok()) note_.BatchFolder(batch_folders_[folder].path, *held);
      noted_folder_ = folder;
    }
    batch_noted_ = true;
    note_.Overwriting(item.info, name);
    // Missing owner write shows up as a failed open in the first pass.
    if ((mode & kOwnerWrite) == 0) parent.AddOwnerWriteAt(name, &item.info);
    for (int pass = 0; pass < counters_.pass_count; ++pass) {
      const bool last = pass + 1 == counters_.pass_count;
      if (!OverwritePass(parent, name, item, pass == 0, last)) return;
    }
    overwritten_.insert(id);
    if (platform::Status removed = RemoveStreams(parent, name); !removed.ok()) {
      Keep(item, job::Reason::kDeleteFailed, removed);
      return;
    }
  }
  JoinBatch(parent, name, item, overwrite);
}

bool ItemEraser::OverwritePass(platform::Folder& parent, const std::string& name,
                               const items::ListedItem& item, bool first, bool last) {
  platform::Result<std::unique_ptr<platform::WritableFile>> opened =
      parent.OpenAt(name, &item.info, true);
  if (!opened.ok()) {
    const platform::Status& why = opened.status();
    Keep(item,
         why.code() == EBUSY ? job::Reason::kInUse
         : IsChange(why)     ? job::Reason::kChangedSinceListed
                             : job::Reason::kWriteFailed,
         why);
    return false;
  }
  platform::WritableFile& file = **opened;
  platform::Result<platform::FileInfo> stat = file.Stat();
  if (stat.ok() && first) {
    // Zeroing a file with a name outside the list would erase data the user
    // still reaches by that name.
    const uint32_t listed = listed_names_[{item.info.device, item.info.inode}];
    if (stat->links > listed) {
      file.Close();
      Keep(item, job::Reason::kOtherNames, platform::Status::Ok(),
           static_cast<int>(stat->links - listed));
      return false;
    }
  }
  // Without exclusive use, a writer could add data meanwhile: its size tells.
  const bool exclusive = file.exclusive();
  platform::Status status = stat.ok() ? CoverWithZeros(file, stat->size) : stat.status();
  // Each pass must reach the disk before the next writes over it; the last
  // one reaches it with the rest of its batch.
  if (status.ok() && !last) status = file.DataSync();
  bool changed = false;
  if (status.ok() && (!exclusive || !file.exclusive())) {
    platform::Result<platform::FileInfo> after = file.Stat();
    changed = !after.ok() || after->size != stat->size || exclusive;
  }
  // The times are cosmetic: a failed stamp leaves no data behind.
  if (status.ok() && !changed && FixedTime().ok()) file.SetTimes(*FixedTime(), *FixedTime());
  const platform::Status closed = file.Close();
  if (status.ok()) status = closed;
  if (!status.ok()) {
    Keep(item, job::Reason::kWriteFailed, status);
    return false;
  }
  if (changed) {
    Keep(item, job::Reason::kChangedWhileErased);
    return false;
  }
  // Named streams keep data of their own: each gets the same pass.
  status = OverwriteStreams(parent, name, item.info,
                            [this](platform::WritableFile& stream, uint64_t size) {
                              return CoverWithZeros(stream, size);
                            });
  if (!status.ok()) {
    Keep(item, job::Reason::kWriteFailed, status);
    return false;
  }
  return true;
}

platform::Status ItemEraser::CoverWithZeros(platform::WritableFile& file, uint64_t size) {
  // Holes hold no data and no blocks: writing them would only fill the volume.
  uint64_t offset = 0;
  while (offset < size) {
    platform::Result<platform::ByteRange> data = file.NextData(offset, size);
    if (!data.ok()) return data.status();
    if (data->length == 0) break;
    const uint64_t end = data->offset + data->length;
    if (platform::Status s = CoverRange(file, data->offset, end); !s.ok()) return s;
    offset = end;
  }
  return platform::Status::Ok();
}

platform::Status ItemEraser::CoverRange(platform::WritableFile& file, uint64_t offset,
                                        uint64_t end) {
  bool direct = end - offset >= kBlockAlignment && file.SetDirect(true).ok() &&
                file.direct_alignment() <= kBlockAlignment;
  const auto go_buffered = [&]() -> platform::Status {
    direct = false;
    return file.direct() ? file.SetDirect(false) : platform::Status::Ok();
  };
  if (!direct) {
    if (platform::Status s = go_buffered(); !s.ok()) return s;
  }
  while (offset < end) {
    size_t length = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, end - offset));
    if (direct) {
      const size_t alignment = file.direct_alignment();
      // Direct I/O needs aligned offsets and lengths; the tail (or the rest
      // after an odd short write) goes through the page cache.
      if (offset % alignment != 0 || length < alignment) {
        if (platform::Status s = go_buffered(); !s.ok()) return s;
      } else {
        length -= length % alignment;
      }
    }
    platform::Result<size_t> written = file.WriteAt(offset, zeros_.get(), length);
    if (!written.ok()) {
      // Some devices refuse direct I/O of this shape only at write time.
      if (direct && written.status().code() == EINVAL) {
        if (platform::Status s = go_buffered(); !s.ok()) return s;
        continue;
      }
      return written.status();
    }
    if (*written == 0) {
      return platform::Status::Error(EIO, "write '" + file.path() + "': no byte was written");
    }
    offset += *written;
    counters_.written_bytes += *written;
    progress_.ReportProgress(counters_.written_bytes, counters_.total_bytes);
  }
  return platform::Status::Ok();
}

bool ItemEraser::VerifyZeros(platform::Folder& parent, const std::string& name,
                             const items::ListedItem& item) {
  const std::string& path = item.path;
  platform::Result<std::unique_ptr<platform::ReadableFile>> opened =
      parent.OpenForReadingAt(name, &item.info);
  if (!opened.ok()) {
    Keep(item, job::Reason::kReadFailed, opened.status());
    return false;
  }
  platform::ReadableFile& file = **opened;
  platform::Result<platform::FileInfo> info = parent.DescribeAt(name);
  const uint64_t size = info.ok() ? info->size : 0;
  // The pages were synced, so dropping them makes the reads come from disk.
  platform::Status status = info.ok() ? file.DropCache() : info.status();
  if (!read_buffer_) read_buffer_ = core::AllocateZeroedAligned(kBlockAlignment, kBlockBytes);
  uint64_t offset = 0;
  bool zeros = true;
  while (status.ok() && zeros && offset < size) {
    const size_t length = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, size - offset));
    platform::Result<size_t> n = file.ReadAt(offset, read_buffer_.get(), length);
    if (!n.ok()) {
      status = n.status();
    } else if (*n == 0) {
      status = platform::Status::Error(EIO, "read '" + path + "': the file ended early");
    } else {
      zeros = AllZero(read_buffer_.get(), *n);
      offset += *n;
    }
  }
  file.Close();
  if (!status.ok()) {
    Keep(item, job::Reason::kReadFailed, status);
    return false;
  }
  if (!zeros) {
    Keep(item, job::Reason::kVerifyMismatch);
    return false;
  }
  return true;
}

const platform::Result<platform::FileTime>& ItemEraser::FixedTime() {
  if (!replacement_time_) replacement_time_ = ReplacementTime(env_);
  return *replacement_time_;
}

void ItemEraser::MakeRoom(uint64_t device) {
  // A sync of the volume is what makes the batch cheap: one volume a batch.
  if (!batch_folders_.empty() && (device != batch_device_ || batch_.size() >= kMaxBatch ||
                                  batch_folders_.size() + 2 > kMaxBatchFolders)) {
    Finish();
  }
  batch_device_ = device;
}

size_t ItemEraser::BatchFolderOf(platform::Folder& folder, const std::string& path) {
  const auto [found, added] = batch_folder_index_.try_emplace(&folder, batch_folders_.size());
  if (added) batch_folders_.push_back({.path = path, .handle = &folder, .owned = {}, .taken = {}});
  return found->second;
}

void ItemEraser::JoinBatch(platform::Folder& parent, const std::string& name,
                           const items::ListedItem& item, bool overwritten) {
  if (!overwritten) MakeRoom(item.info.device);
  batch_.push_back({.folder = BatchFolderOf(parent, core::FolderOf(item.path)),
                    .name = name,
                    .item = item,
                    .overwritten = overwritten,
                    .kept = false,
                    .rename_failure = platform::Status::Ok(),
                    .changed = false,
                    .delete_failure = platform::Status::Ok()});
}

void ItemEraser::EraseFolder(platform::Folder& parent, const std::string& name,
                             const items::ListedItem& item) {
  const std::string& path = item.path;
  platform::Result<platform::Folder*> opened = walk_.Reach(path);
  if (!opened.ok()) {
    Keep(item, job::Reason::kChangedSinceListed, opened.status());
    return;
  }
  MakeRoom(item.info.device);
  const size_t parent_index = BatchFolderOf(parent, core::FolderOf(path));
  const size_t folder_index = BatchFolderOf(**opened, path);
  removals_.push_back({.parent = parent_index, .folder = folder_index, .name = name, .item = item});
  // The batch takes the handle over; the walk never comes back here.
  walk_.Forget(path);
}

bool ItemEraser::EmptyAndRemovable(const FolderRemoval& removal) {
  platform::Folder& parent = *batch_folders_[removal.parent].handle;
  platform::Folder& folder = *batch_folders_[removal.folder].handle;
  const items::ListedItem& item = removal.item;
  const std::string& path = item.path;
  // A folder that still holds something keeps its name, mode and times, so
  // what is left in it stays where the user put it.
  platform::Result<std::vector<std::string>> names = folder.ListNames();
  if (!names.ok() && names.status().code() == EACCES) {
    // As rm does: an empty folder goes without being read; one that holds
    // something is refused by the removal itself.
    return Removable(parent, removal.name, item);
  }
  if (!names.ok() || !names->empty()) {
    if (names.ok()) {
      Keep(item, job::Reason::kNotEmpty, platform::Status::Ok(), static_cast<int>(names->size()));
    } else {
      Keep(item, job::Reason::kFolderNotRemoved, names.status());
    }
    // It stays: the names of what did go from it are scrubbed all the same.
    if (emptied_folders_.contains(path)) ScrubSlack(folder, path);
    return false;
  }
  if (!Removable(parent, removal.name, item)) {
    if (emptied_folders_.contains(path)) ScrubSlack(folder, path);
    return false;
  }
  return true;
}

bool ItemEraser::StampedAndUnchanged(const FolderRemoval& removal) {
  platform::Folder& parent = *batch_folders_[removal.parent].handle;
  platform::Folder& folder = *batch_folders_[removal.folder].handle;
  const items::ListedItem& item = removal.item;
  for (int pass = 0; pass < counters_.pass_count; ++pass) {
    parent.AddOwnerWriteAt(removal.name, &item.info);
    if (FixedTime().ok()) folder.SetTimes(*FixedTime(), *FixedTime());
  }
  // What was scrubbed and stamped is the handle's folder; the name must still
  // lead there, or the rename would move something else.
  platform::Result<platform::FileInfo> still = parent.DescribeAt(removal.name);
  if (!still.ok() || !platform::SameObject(*still, item.info)) {
    Keep(item, job::Reason::kChangedSinceListed,
         still.ok() ? platform::Status::Ok() : still.status());
    return false;
  }
  return true;
}

void ItemEraser::RemoveFolders(const std::vector<const FolderRemoval*>& level) {
  std::vector<const FolderRemoval*> empty;
  for (const FolderRemoval* removal : level) {
    if (EmptyAndRemovable(*removal)) empty.push_back(removal);
  }
  // The scrubs make and remove entries, the costly part: on two threads,
  // each scrub in its own folder. Before the stamps, which the scrub's
  // entries would undo; the volume is synced next.
  std::vector<SlackScrubResult> scrubs(empty.size());
  std::vector<std::function<void()>> parts;
  for (size_t part = 0; part < std::min(kRoundThreads, empty.size()); ++part) {
    parts.emplace_back([&, part] {
      for (size_t i = part; i < empty.size(); i += kRoundThreads) {
        scrubs[i] =
            ScrubFolderSlack(*SlackFolderOf(*batch_folders_[empty[i]->folder].handle, false));
      }
    });
  }
  core::RunSideBySide(parts);
  std::vector<const FolderRemoval*> ready;
  for (size_t i = 0; i < empty.size(); ++i) {
    const FolderRemoval* removal = empty[i];
    Scrubbed(removal->item.path, scrubs[i], false);
    if (!StampedAndUnchanged(*removal)) continue;
    ready.push_back(removal);
    // Some systems neither rename nor remove a folder while a handle holds
    // it: every handle the batch took of it goes (the walk may have opened it
    // again for its own erase after its files).
    for (BatchFolder& held : batch_folders_) {
      if (held.owned != nullptr && held.path == removal->item.path) {
        held.owned.reset();
        held.handle = nullptr;
      }
    }
  }
  if (ready.empty()) return;
  // The folders' own emptied blocks must reach their place on the disk before
  // they are freed, or the disk keeps the old names of the erased entries: a
  // sync of a folder alone only puts its block in the journal.
  if (const platform::Status synced = SyncBatchVolume(); !synced.ok()) {
    for (const FolderRemoval* removal : ready) {
      Warn(job::Reason::kSyncFailed, removal->item.path, synced);
    }
  }
  std::vector<std::string> names;
  std::vector<platform::Status> failures;
  for (const FolderRemoval* removal : ready) {
    BatchFolder& parent = batch_folders_[removal->parent];
    if (platform::Result<platform::FileInfo> held = parent.handle->Stat(); held.ok()) {
      note_.RemovingFolder(parent.path, *held, removal->item.info, removal->name);
    }
    RenameOutcome renamed = RenameRandomlyIn(env_, *parent.handle, removal->name, &parent.taken);
    names.push_back(std::move(renamed.name));
    failures.push_back(std::move(renamed.failure));
  }
  // The random names reach the disk before the folders go.
  if (!SyncBatchVolume().ok()) {
    std::set<size_t> parents;
    for (const FolderRemoval* removal : ready) parents.insert(removal->parent);
    for (size_t parent : parents) SyncFolder(*batch_folders_[parent].handle);
  }
  for (size_t i = 0; i < ready.size(); ++i) {
    const FolderRemoval& removal = *ready[i];
    platform::Folder& parent = *batch_folders_[removal.parent].handle;
    const std::string& path = removal.item.path;
    platform::Status removed = parent.RemoveAt(names[i], true);
    if (!removed.ok()) {
      // Left under a random name, whatever appeared in it would be hard to find.
      if (names[i] != removal.name) parent.RenameAt(names[i], removal.name);
      const bool full = removed.code() == ENOTEMPTY || removed.code() == EEXIST;
      Keep(removal.item, full ? job::Reason::kNotEmpty : job::Reason::kFolderNotRemoved, removed);
      continue;
    }
    if (!failures[i].ok()) Warn(job::Reason::kRenameFailed, path, failures[i]);
    Erased(path, removal.item.info, failures[i]);
    emptied_folders_.insert(core::FolderOf(path));
    removals_unsynced_[core::FolderOf(path)] = removal.item.info.device;
  }
}

void ItemEraser::ScrubSlack(platform::Folder& folder, const std::string& path, bool sync) {
  Scrubbed(path, ScrubFolderSlack(*SlackFolderOf(folder, sync)), sync);
}

void ItemEraser::Scrubbed(const std::string& path, const SlackScrubResult& scrub, bool synced) {
  emptied_folders_.erase(path);
  if (synced && scrub.status.ok()) removals_unsynced_.erase(path);
  // A folder gone meanwhile has no blocks left to scrub.
  const bool gone = scrub.entries == 0 && scrub.status.code() == ENOENT;
  if (!scrub.status.ok() && !gone) {
    Warn(job::Reason::kSlackNotScrubbed, path, scrub.status);
  }
  note_.Scrubbed(path);
}

void ItemEraser::LeaveFolder(const std::string& path, std::unique_ptr<platform::Folder>& folder) {
  // The batch finishes what it has to do there (LeaveBatchFolders).
  if (const auto held = batch_folder_index_.find(folder.get()); held != batch_folder_index_.end()) {
    batch_folders_[held->second].owned = std::move(folder);
    return;
  }
  // A listed folder is scrubbed by its own erase, just before it goes.
  const auto known = known_.find(path);
  const bool listed = known != known_.end() && known->second.listed;
  if (emptied_folders_.contains(path) && !listed) ScrubSlack(*folder, path, true);
  // The last chance to make its removals durable through this handle.
  if (removals_unsynced_.erase(path) > 0) SyncFolder(*folder);
}

void ItemEraser::LeaveBatchFolders() {
  bool unsynced = false;
  for (BatchFolder& folder : batch_folders_) {
    if (folder.owned == nullptr) continue;
    const auto known = known_.find(folder.path);
    const bool listed = known != known_.end() && known->second.listed;
    if (emptied_folders_.contains(folder.path) && !listed) {
      ScrubSlack(*folder.owned, folder.path, false);
      unsynced = true;
    }
    unsynced = unsynced || removals_unsynced_.contains(folder.path);
  }
  if (!unsynced) return;
  // The last chance to make their removals durable through these handles.
  if (SyncBatchVolume().ok()) return;
  for (BatchFolder& folder : batch_folders_) {
    if (folder.owned != nullptr && removals_unsynced_.erase(folder.path) > 0) {
      SyncFolder(*folder.owned);
    }
  }
}

void ItemEraser::VolumeSynced(uint64_t device) {
  std::erase_if(removals_unsynced_,
                [device](const auto& folder) { return folder.second == device; });
}

void ItemEraser::ScrubKeptFolders() {
  Finish();
  // Rows are in path order, so the walk leaves a folder only when nothing
  // more of it is to come; deepest first.
  walk_.Close();
  // Listed folders whose own erase never came (a stop, a refusal): reached
  // again through the checked walk; one that changed is left alone.
  const std::set<std::string> folders = std::move(emptied_folders_);
  emptied_folders_.clear();
  for (auto path = folders.rbegin(); path != folders.rend(); ++path) {
    platform::Result<platform::Folder*> folder = walk_.Reach(*path);
    if (folder.ok()) ScrubSlack(**folder, *path);
  }
  walk_.Close();
}

void ItemEraser::SyncFolder(platform::Folder& folder) {
  platform::Status status = folder.Sync();
  if (!status.ok()) Warn(job::Reason::kSyncFailed, folder.path(), status);
}

platform::Status ItemEraser::SyncBatchVolume() {
  // Asked once a batch: none of its folders will do better the next time.
  if (!sync_refused_.ok()) return sync_refused_;
  // One sync of the file system costs about what one file's sync does, and
  // its barrier covers every folder and file of the batch.
  platform::Status status = platform::Status::Error(EBADF, "no folder to sync through");
  for (const BatchFolder& folder : batch_folders_) {
    if (folder.handle == nullptr) continue;
    status = folder.handle->SyncFileSystem();
    if (status.ok()) {
      VolumeSynced(batch_device_);
      return status;
    }
  }
  sync_refused_ = status;
  return status;
}

void ItemEraser::MakeZerosDurable() {
  const bool any = std::any_of(batch_.begin(), batch_.end(),
                               [](const BatchEntry& entry) { return entry.overwritten; });
  if (!any) return;
  if (batch_folders_.front().handle->SyncFileSystemReachesFiles() && SyncBatchVolume().ok()) {
    note_.ZerosDurable();
    return;
  }
  // Folders that may be searched but not read have no handle to sync the
  // file system through, and some systems' volume flush reaches no file's
  // data: each file is synced on its own.
  for (BatchEntry& entry : batch_) {
    if (!entry.overwritten) continue;
    platform::Result<std::unique_ptr<platform::WritableFile>> file =
        batch_folders_[entry.folder].handle->OpenAt(entry.name, &entry.item.info, false);
    platform::Status status = file.ok() ? (*file)->DataSync() : file.status();
    if (file.ok()) {
      const platform::Status closed = (*file)->Close();
      if (status.ok()) status = closed;
    }
    if (!status.ok()) {
      Keep(entry.item, job::Reason::kWriteFailed, status);
      entry.kept = true;
    }
  }
  note_.ZerosDurable();
}

void ItemEraser::RenameAndDelete() {
  // A rename costs in proportion to the entries left in its folder. In
  // rounds, each deleting what it renamed, a large batch renames in folders
  // that empty as it goes, for one more sync a round.
  const size_t rounds = std::clamp<size_t>(batch_.size() / kFilesPerRound, 1, kMaxRounds);
  for (size_t round = 0; round < rounds; ++round) {
    std::vector<BatchEntry*> part;
    for (size_t i = round; i < batch_.size(); i += rounds) {
      if (!batch_[i].kept) part.push_back(&batch_[i]);
    }
    RenameAndDeleteRound(part);
  }
}

void ItemEraser::ForEachByFolder(const std::vector<BatchEntry*>& part,
                                 const std::function<void(BatchEntry&)>& work) {
  // Whole folders to each thread, the largest first to the least loaded.
  std::map<size_t, std::vector<BatchEntry*>> by_folder;
  for (BatchEntry* entry : part) by_folder[entry->folder].push_back(entry);
  std::vector<const std::vector<BatchEntry*>*> folders;
  for (const auto& [folder, entries] : by_folder) folders.push_back(&entries);
  std::stable_sort(folders.begin(), folders.end(),
                   [](const auto* a, const auto* b) { return a->size() > b->size(); });
  std::vector<std::vector<const std::vector<BatchEntry*>*>> shares(
      std::min(kRoundThreads, folders.size()));
  std::vector<size_t> load(shares.size(), 0);
  for (const auto* entries : folders) {
    const size_t least = static_cast<size_t>(
        std::distance(load.begin(), std::min_element(load.begin(), load.end())));
    shares[least].push_back(entries);
    load[least] += entries->size();
  }
  std::vector<std::function<void()>> parts;
  for (const auto& share : shares) {
    parts.emplace_back([&share, &work] {
      for (const auto* entries : share) {
        for (BatchEntry* entry : *entries) work(*entry);
      }
    });
  }
  core::RunSideBySide(parts);
}

void ItemEraser::RenameAndDeleteRound(const std::vector<BatchEntry*>& part) {
  ForEachByFolder(part, [this](BatchEntry& entry) {
    BatchFolder& folder = batch_folders_[entry.folder];
    RenameOutcome renamed = RenameRandomlyIn(env_, *folder.handle, entry.name, &folder.taken);
    entry.name = std::move(renamed.name);
    entry.rename_failure = std::move(renamed.failure);
  });
  for (BatchEntry* entry : part) {
    if (!entry->rename_failure.ok()) {
      Warn(job::Reason::kRenameFailed, entry->item.path, entry->rename_failure);
    }
    note_.Renamed(entry->item.info, entry->name);
  }
  note_.RenamesDone();
  // The random names reach the disk before the entries go.
  if (!SyncBatchVolume().ok()) {
    std::set<size_t> folders;
    for (const BatchEntry* entry : part) folders.insert(entry->folder);
    for (size_t folder : folders) SyncFolder(*batch_folders_[folder].handle);
  }
  ForEachByFolder(part, [this](BatchEntry& entry) {
    BatchFolder& folder = batch_folders_[entry.folder];
    // The entry under the random name must still be the erased one.
    platform::Result<platform::FileInfo> now = folder.handle->DescribeAt(entry.name);
    entry.changed = now.ok() && !platform::SameObject(*now, entry.item.info);
    if (entry.changed) return;
    entry.delete_failure = folder.handle->RemoveAt(entry.name, false);
    if (entry.delete_failure.ok()) folder.taken.erase(entry.name);
  });
  for (BatchEntry* entry : part) {
    if (entry->changed) {
      Keep(entry->item, job::Reason::kChangedSinceListed);
    } else if (!entry->delete_failure.ok()) {
      Keep(entry->item, job::Reason::kDeleteFailed, entry->delete_failure);
    } else {
      Erased(entry->item.path, entry->item.info, entry->rename_failure);
      if (entry->item.info.kind == platform::FileKind::kRegular) {
        --listed_names_[{entry->item.info.device, entry->item.info.inode}];
      }
    }
  }
}

void ItemEraser::Finish() {
  if (!batch_.empty()) {
    MakeZerosDurable();
    if (options_.verify) {
      for (BatchEntry& entry : batch_) {
        // A kept file keeps its own name: it is no longer part of the batch.
        if (entry.overwritten && !entry.kept &&
            !VerifyZeros(*batch_folders_[entry.folder].handle, entry.name, entry.item)) {
          entry.kept = true;
        }
      }
    }
    RenameAndDelete();
    for (const BatchEntry& entry : batch_) {
      const std::string& path = batch_folders_[entry.folder].path;
      emptied_folders_.insert(path);
      // Durable with the next sync of the volume, or when the walk leaves it.
      removals_unsynced_[path] = batch_device_;
    }
  }
  // A batch whose every file was kept has nothing left to note either.
  if (batch_noted_) note_.BatchDeleted();
  batch_noted_ = false;
  batch_.clear();
  // A folder's scrub must come after the removal of what it held.
  std::vector<const FolderRemoval*> removals;
  for (const FolderRemoval& removal : removals_) removals.push_back(&removal);
  const auto depth = [](const FolderRemoval* removal) {
    return std::count(removal->item.path.begin(), removal->item.path.end(), '/');
  };
  std::stable_sort(removals.begin(), removals.end(),
                   [&](const auto* a, const auto* b) { return depth(a) > depth(b); });
  for (size_t begin = 0; begin < removals.size();) {
    size_t end = begin + 1;
    while (end < removals.size() && depth(removals[end]) == depth(removals[begin])) ++end;
    RemoveFolders(
        std::vector<const FolderRemoval*>(removals.begin() + static_cast<ptrdiff_t>(begin),
                                          removals.begin() + static_cast<ptrdiff_t>(end)));
    begin = end;
  }
  LeaveBatchFolders();
  removals_.clear();
  batch_folder_index_.clear();
  batch_folders_.clear();
  sync_refused_ = platform::Status::Ok();
}

}  // namespace tarnwell::erase
