#include "erase/erase_item.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "erase/dir_slack.h"
#include "erase/file_times.h"
#include "erase/random_name.h"
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::erase {
namespace {

constexpr int kTextVerifyMismatch = 72;
constexpr int kTextNotRegularFile = 73;
constexpr uint32_t kOwnerWrite = 0200;

bool AllZero(const unsigned char* data, size_t length) {
  return std::all_of(data, data + length, [](unsigned char b) { return b == 0; });
}

}  // namespace

ItemEraser::ItemEraser(platform::Env& env, core::WindowPort& port, ProgressReporter& progress,
                       EraseCounters& counters, EraseOptions options)
    : env_(env), port_(port), progress_(progress), counters_(counters), options_(options) {
  zeros_ = core::AllocateZeroedAligned(kBlockAlignment, kBlockBytes);
}

ItemEraser::~ItemEraser() {
  Finish();
  RemovePendingFolders();
}

void ItemEraser::ReportError(const std::string& text) {
  port_.InsertMessage(text, core::MessageIcon::kError);
  ++counters_.error_count;
}

void ItemEraser::EraseItem(const std::string& path) {
  platform::Result<platform::FileInfo> info = env_.Describe(path);
  if (!info.ok()) {
    ReportError(info.status().message());
    return;
  }
  switch (info->kind) {
    case platform::FileKind::kRegular:
      EraseFile(path, *info);
      return;
    case platform::FileKind::kDirectory:
      EraseFolder(path);
      return;
    case platform::FileKind::kSymlink:
      EraseLink(path);
      return;
    default:
      // Writing zeros into a FIFO or a device would erase nothing of the
      // entry and could destroy something else entirely.
      port_.InsertMessage(text::FormatText(text::LookupUtf8(kTextNotRegularFile), {path}),
                          core::MessageIcon::kWarning);
      return;
  }
}

void ItemEraser::EraseFile(const std::string& path, const platform::FileInfo& info) {
  for (int pass = 0; pass < counters_.pass_count; ++pass) {
    if (!OverwritePass(path, info)) return;
  }
  if (options_.verify && !VerifyZeros(path)) return;
  RenameAndQueueDelete(path);
}

bool ItemEraser::OverwritePass(const std::string& path, const platform::FileInfo& info) {
  // Missing owner write shows up as a failed open just below.
  if ((info.mode & kOwnerWrite) == 0) env_.AddOwnerWrite(path);
  platform::Result<std::unique_ptr<platform::WritableFile>> opened =
      env_.OpenForOverwrite(path, &info);
  if (!opened.ok()) {
    ReportError(opened.status().message());
    return false;
  }
  platform::WritableFile& file = **opened;
  platform::Result<platform::FileInfo> stat = file.Stat();
  platform::Status status = stat.ok() ? CoverWithZeros(file, stat->size) : stat.status();
  if (status.ok()) status = file.DataSync();
  // The times are cosmetic: a failed stamp leaves no data behind.
  if (status.ok()) StampFileTimes(env_, file);
  const platform::Status closed = file.Close();
  if (status.ok()) status = closed;
  if (!status.ok()) {
    ReportError(status.message());
    return false;
  }
  return true;
}

platform::Status ItemEraser::CoverWithZeros(platform::WritableFile& file, uint64_t size) {
  bool direct = size >= kBlockAlignment && file.SetDirect(true).ok() &&
                file.direct_alignment() <= kBlockAlignment;
  const auto go_buffered = [&]() -> platform::Status {
    direct = false;
    return file.direct() ? file.SetDirect(false) : platform::Status::Ok();
  };
  if (!direct) {
    if (platform::Status s = go_buffered(); !s.ok()) return s;
  }
  uint64_t offset = 0;
  while (offset < size) {
    size_t length = static_cast<size_t>(std::min<uint64_t>(kBlockBytes, size - offset));
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

bool ItemEraser::VerifyZeros(const std::string& path) {
  platform::Result<std::unique_ptr<platform::ReadableFile>> opened = env_.OpenForReading(path);
  if (!opened.ok()) {
    ReportError(opened.status().message());
    return false;
  }
  platform::ReadableFile& file = **opened;
  platform::Result<platform::FileInfo> info = env_.Describe(path);
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
    ReportError(status.message());
    return false;
  }
  if (!zeros) {
    ReportError(text::FormatText(text::LookupUtf8(kTextVerifyMismatch), {path}));
    return false;
  }
  return true;
}

void ItemEraser::RenameAndQueueDelete(const std::string& path) {
  const std::string folder = FolderOf(path);
  if (folder != pending_folder_) Finish();
  const std::string renamed = RenameRandomly(env_, path);
  pending_folder_ = folder;
  pending_sync_ = true;
  pending_deletes_.push_back({renamed, path});
  if (pending_deletes_.size() >= kMaxPendingDeletes) Finish();
}

void ItemEraser::EraseLink(const std::string& path) {
  // rename and unlink act on the link itself; its target is never opened.
  RenameAndQueueDelete(path);
}

void ItemEraser::EraseFolder(const std::string& path) {
  // Pending deletions inside would change the folder's times after the stamp.
  Finish();
  const bool holds_removals = std::any_of(
      pending_removals_.begin(), pending_removals_.end(),
      [&](const PendingDelete& folder) { return FolderOf(folder.current_path) == path; });
  if (holds_removals || pending_removals_.size() >= kMaxPendingDeletes) RemovePendingFolders();
  // Before the stamp, which the scrub's entries would undo.
  ScrubSlack(path);
  for (int pass = 0; pass < counters_.pass_count; ++pass) {
    env_.AddOwnerWrite(path);
    StampFileTimes(env_, path);
  }
  pending_removals_.push_back({RenameRandomly(env_, path), path});
}

void ItemEraser::RemovePendingFolders() {
  if (pending_removals_.empty()) return;
  // The folders' blocks must reach their place on the disk before they are
  // freed: a freed block that was only journalled keeps its old contents
  // there, the erased names included. A sync of a folder only journals it.
  platform::Status written = env_.SyncFileSystem(pending_removals_.front().current_path);
  if (!written.ok()) port_.InsertMessage(written.message(), core::MessageIcon::kWarning);
  std::set<std::string> parents;
  for (const PendingDelete& folder : pending_removals_) {
    const std::string& renamed = folder.current_path;
    const std::string& path = folder.listed_path;
    if (env_.RemoveDirectory(renamed).ok()) {
      parents.insert(FolderOf(renamed));
    } else if (renamed != path && !env_.RenameNoReplace(renamed, path).ok()) {
      // Left under a random name, the user's remaining files would be hard to find.
      ReportError("0 <dir>" + path + " (" + renamed + ")");
    } else {
      ReportError("0 <dir>" + path);
    }
  }
  pending_removals_.clear();
  for (const std::string& parent : parents) {
    emptied_folders_.insert(parent);
    SyncFolder(parent);
  }
}

void ItemEraser::ScrubSlack(const std::string& folder) {
  emptied_folders_.erase(folder);
  std::unique_ptr<SlackFolder> slack = SlackFolderAtPath(env_, folder);
  const SlackScrubResult scrub = ScrubFolderSlack(*slack);
  // A folder gone meanwhile has no blocks left to scrub.
  const bool gone = scrub.entries == 0 && scrub.status.code() == ENOENT;
  if (!scrub.status.ok() && !gone) {
    port_.InsertMessage(folder + ": " + scrub.status.message(), core::MessageIcon::kWarning);
  }
}

void ItemEraser::ScrubKeptFolders() {
  Finish();
  RemovePendingFolders();
  // Deepest first, so a folder's scrub comes after its subfolders' changes.
  const std::set<std::string> folders = std::move(emptied_folders_);
  emptied_folders_.clear();
  for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder) ScrubSlack(*folder);
}

void ItemEraser::SyncFolder(const std::string& folder) {
  platform::Status status = env_.SyncDirectory(folder);
  if (!status.ok()) port_.InsertMessage(status.message(), core::MessageIcon::kWarning);
}

void ItemEraser::Finish() {
  if (pending_folder_.empty()) return;
  if (!pending_deletes_.empty()) {
    // The random names reach the disk before the entries go.
    SyncFolder(pending_folder_);
    for (const PendingDelete& item : pending_deletes_) {
      platform::Status status = env_.RemoveFile(item.current_path);
      if (!status.ok()) ReportError(item.listed_path + ": " + status.message());
    }
    emptied_folders_.insert(pending_folder_);
  }
  if (pending_sync_) SyncFolder(pending_folder_);
  pending_deletes_.clear();
  pending_folder_.clear();
  pending_sync_ = false;
}

}  // namespace tarnwell::erase
