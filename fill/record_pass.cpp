#include "fill/record_pass.h"

#include <algorithm>
#include <cerrno>

#include "fill/leftovers.h"
#include "fill/levels_shared.h"
#include "job/random_name.h"

namespace tarnwell::fill {
namespace {

// ext4 keeps this much inside the inode itself; a file system that keeps any
// file data in its records keeps at least that.
constexpr uint64_t kProbeBytes = 60;
// No record is larger than 4 KiB (NTFS records are 1 KiB or 4 KiB).
constexpr uint64_t kMaxKeptBytes = 4096;
// Room per record for the entry of its file in the pass's folder: ext4
// entries of the fill's names take 36 bytes, NTFS index entries 136, in
// blocks that are rarely full.
constexpr uint64_t kEntryBytes = 64;
constexpr uint64_t kMinSpareBytes = uint64_t{1} << 20;
// Room for half a million NTFS entries; a volume with more freed records than
// that gets a pass that ends early, refused, rather than a spare that costs
// more than the pass.
constexpr uint64_t kMaxSpareBytes = uint64_t{64} << 20;
// Measured: 65,536 empty files made and deleted on ext4 in 8.3 s.
constexpr int64_t kMicrosPerRecord = 130;
// The count is reported after every this many records.
constexpr uint64_t kStatusEvery = 1024;
// Every this many records the pass looks at the free space it took. A
// freed record costs only its folder entry (NTFS index blocks: about 150
// bytes a record); a table of records that grows (NTFS's MFT, once no freed
// record is left in it) takes 1 KiB or more for each: the pass then makes
// new records, not freed ones, and stops.
constexpr uint64_t kGrowthCheckEvery = 256;
constexpr uint64_t kMostBytesPerFreedRecord = 512;

std::string ChildPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

void ReportFailure(job::EventSink& sink, const platform::Status& why) {
  sink.Report(job::Notice{.severity = job::Severity::kError,
                          .reason = job::Reason::kFillFailed,
                          .error_code = why.code(),
                          .detail = why.message()});
}

// Makes the new file name in folder, size zero bytes long, and closes it.
platform::Status MakeFile(platform::Folder& folder, const std::string& name, uint64_t size) {
  if (size == 0) return folder.CreateAt(name);
  std::unique_ptr<platform::FileLock> lock;
  platform::Result<std::unique_ptr<platform::WritableFile>> file =
      folder.CreateLockedAt(name, &lock);
  if (!file.ok()) return file.status();
  platform::Result<size_t> n = (*file)->WriteAt(0, FillZeros(), size);
  platform::Status closed = (*file)->Close();
  if (n.ok() && closed.ok()) return platform::Status::Ok();
  folder.RemoveAt(name, false);
  return n.ok() ? closed : n.status();
}

// Whether a file of size bytes stays inside its record: it takes less
// storage than one block.
bool KeptInRecord(platform::Folder& folder, platform::Env& env, uint64_t size, uint64_t block) {
  std::unique_ptr<platform::FileLock> lock;
  const std::string name = NewFillFileName(env);
  platform::Result<std::unique_ptr<platform::WritableFile>> file =
      folder.CreateLockedAt(name, &lock);
  if (!file.ok()) return false;
  platform::Result<size_t> n = (*file)->WriteAt(0, FillZeros(), size);
  platform::Result<platform::FileInfo> info = (*file)->Stat();
  // A block taken (or reserved) at once is final; where blocks are placed
  // only when written back, the sync places them.
  const bool kept = n.ok() && *n == size && info.ok() && info->allocated < block &&
                    (*file)->DataSync().ok() && (info = (*file)->Stat()).ok() &&
                    info->allocated < block;
  (*file)->Close();
  folder.RemoveAt(name, false);
  return kept;
}

}  // namespace

RecordProbe ProbeRecords(platform::Folder& folder, platform::Env& env) {
  RecordProbe probe;
  platform::Result<platform::VolumeSpace> space = folder.Space();
  probe.block_bytes = space.ok() && space->block_size > 0 ? space->block_size : 4096;
  if (!KeptInRecord(folder, env, kProbeBytes, probe.block_bytes)) return probe;
  probe.keeps_data = true;
  // The largest kept size, by halving [kept, not kept).
  uint64_t kept = kProbeBytes;
  uint64_t not_kept = std::min(kMaxKeptBytes, probe.block_bytes) + 1;
  while (not_kept - kept > 8) {
    const uint64_t middle = kept + (not_kept - kept) / 2;
    if (KeptInRecord(folder, env, middle, probe.block_bytes)) {
      kept = middle;
    } else {
      not_kept = middle;
    }
  }
  probe.kept_bytes = kept;
  return probe;
}

int64_t EstimatedRecordPassSeconds(platform::Folder& folder) {
  platform::Result<platform::VolumeSpace> space = folder.Space();
  if (!space.ok() || space->total_records == 0) return -1;
  const uint64_t micros = space->free_records * static_cast<uint64_t>(kMicrosPerRecord);
  return static_cast<int64_t>((micros + 999999) / 1000000);
}

std::unique_ptr<RecordPass> RecordPass::Prepare(FillContext& context, FillState& state,
                                                bool wanted) {
  platform::Env& env = context.env;
  std::unique_ptr<RecordPass> pass(new RecordPass());
  for (uint8_t& digit : pass->base_) {
    digit = static_cast<uint8_t>(env.Random() % job::NameAlphabet().size());
  }
  platform::Status made = platform::Status::Error(EEXIST, "");
  for (int attempt = 0; attempt < kFillCreateAttempts && made.code() == EEXIST; ++attempt) {
    pass->folder_name_ = NewFillFileName(env);
    made = state.held->MakeFolderAt(pass->folder_name_);
  }
  if (!made.ok()) {
    if (wanted) ReportFillError(context, state, made);
    return nullptr;
  }
  platform::Result<std::unique_ptr<platform::Folder>> opened =
      state.held->OpenFolderAt(pass->folder_name_, nullptr);
  if (opened.ok()) {
    pass->folder_ = std::move(*opened);
    pass->lock_name_ = NewFillFileName(env);
    platform::Result<std::unique_ptr<platform::WritableFile>> lock_file =
        pass->folder_->CreateLockedAt(pass->lock_name_, &pass->lock_);
    if (lock_file.ok()) {
      (*lock_file)->Close();
    } else {
      pass->lock_name_.clear();
      opened = lock_file.status();
    }
  }
  if (!opened.ok()) {
    if (wanted) ReportFillError(context, state, opened.status());
    pass->Delete(context, state);
    return nullptr;
  }
  pass->probe_ = ProbeRecords(*pass->folder_, env);
  if (!pass->probe_.keeps_data && !wanted) {
    pass->Delete(context, state);
    return nullptr;
  }

  platform::Result<platform::VolumeSpace> space = state.held->Space();
  uint64_t spare = kMinSpareBytes;
  if (space.ok()) {
    const uint64_t records =
        space->total_records > 0 ? space->free_records : space->total_bytes / kMaxKeptBytes;
    const uint64_t most = std::clamp(space->total_bytes / 64, kMinSpareBytes, kMaxSpareBytes);
    spare = std::clamp(records * kEntryBytes, kMinSpareBytes, most);
  }
  std::unique_ptr<platform::FileLock> unused;
  const std::string spare_name = NewFillFileName(env);
  platform::Result<std::unique_ptr<platform::WritableFile>> file =
      pass->folder_->CreateLockedAt(spare_name, &unused);
  if (file.ok()) {
    pass->spare_name_ = spare_name;
    uint64_t written = 0;
    while (written < spare) {
      const size_t length =
          static_cast<size_t>(std::min<uint64_t>(kFillZeroBytes, spare - written));
      platform::Result<size_t> n = (*file)->WriteAt(written, FillZeros(), length);
      if (!n.ok() || *n == 0) break;
      written += *n;
    }
    // Its blocks are freed before the pass: they must hold zeros by then.
    if (written > 0 && !(*file)->DataSync().ok()) written = 0;
    (*file)->Close();
    state.written_bytes += written;
    state.counted_bytes += written;
  }
  return pass;
}

RecordPass::~RecordPass() = default;

std::string RecordPass::RecordName(uint64_t number) const {
  const auto alphabet = job::NameAlphabet();
  std::string name(kFillNamePrefix);
  for (size_t i = 0; i < base_.size(); ++i) {
    name.append(alphabet[(base_[i] + number % alphabet.size()) % alphabet.size()]);
    number /= alphabet.size();
  }
  name.append(kFillNameSuffix);
  return name;
}

bool RecordPass::TableGrows(platform::Folder& folder) {
  platform::Result<platform::VolumeSpace> space = folder.Space();
  if (!space.ok()) return false;
  const uint64_t before = free_seen_;
  free_seen_ = space->free_bytes;
  return before != UINT64_MAX && before > free_seen_ &&
         before - free_seen_ > kGrowthCheckEvery * kMostBytesPerFreedRecord;
}

uint64_t RecordPass::Run(FillContext& context, FillState& state) {
  platform::Result<platform::VolumeSpace> space = state.held->Space();
  const uint64_t count = space.ok() && space->total_records > 0 ? space->free_records : UINT64_MAX;
  if (!spare_name_.empty()) {
    folder_->RemoveAt(spare_name_, false);
    spare_name_.clear();
    // Freed blocks are handed out again only once the journal has committed
    // their release.
    state.held->SyncFileSystem();
  }
  TableGrows(*state.held);  // the free space the first look compares with
  while (records_ < count && !FillStopRequested(context)) {
    const uint64_t number = numbers_++;
    platform::Status made = MakeFile(*folder_, RecordName(number), probe_.kept_bytes);
    // Only the pass's own probes, spare and lock file can hold a name here.
    if (made.code() == EEXIST) {
      skipped_.push_back(number);
      continue;
    }
    if (!made.ok()) {
      --numbers_;
      // A refused record ends the pass; anything else is worth a row.
      if (!IsVolumeFull(made.code())) ReportFillError(context, state, made);
      break;
    }
    ++records_;
    if (records_ % kGrowthCheckEvery == 0 && TableGrows(*state.held)) break;
    if (records_ % kStatusEvery == 0) context.sink.Report(job::RecordsWritten{records_, false});
  }
  return records_;
}

void RecordPass::Delete(FillContext& context, FillState& state) {
  if (folder_) {
    for (; numbers_ > 0; --numbers_) {
      if (!skipped_.empty() && skipped_.back() == numbers_ - 1) {
        skipped_.pop_back();
        continue;
      }
      platform::Status removed = folder_->RemoveAt(RecordName(numbers_ - 1), false);
      if (!removed.ok() && removed.code() != ENOENT) ReportFillError(context, state, removed);
    }
    for (std::string* name : {&spare_name_, &lock_name_}) {
      if (name->empty()) continue;
      platform::Status removed = folder_->RemoveAt(*name, false);
      if (!removed.ok() && removed.code() != ENOENT) ReportFillError(context, state, removed);
      name->clear();
    }
    lock_.reset();
    folder_.reset();
  }
  if (!folder_name_.empty()) {
    platform::Status removed = state.held->RemoveAt(folder_name_, true);
    if (!removed.ok() && removed.code() != ENOENT) ReportFillError(context, state, removed);
    folder_name_.clear();
  }
}

int RemoveRecordFolder(platform::Folder& folder, const std::string& name, job::EventSink& sink) {
  platform::Result<platform::FileInfo> info = folder.DescribeAt(name);
  if (!info.ok() || info->kind != platform::FileKind::kDirectory) return -1;
  platform::Result<std::unique_ptr<platform::Folder>> opened = folder.OpenFolderAt(name, &*info);
  if (!opened.ok()) return -1;
  platform::Folder& inside = **opened;
  platform::Result<std::vector<std::string>> listed = inside.ListNames();
  if (!listed.ok()) return -1;
  // Every file first: the running pass's lock file may be any of them.
  for (const std::string& entry : *listed) {
    if (!IsFillFileName(entry)) continue;
    platform::Result<std::unique_ptr<platform::FileLock>> lock =
        inside.TryLockAt(entry, false, nullptr);
    if (!lock.ok() && lock.status().code() == EWOULDBLOCK) {
      sink.Report(job::Notice{.severity = job::Severity::kInfo,
                              .reason = job::Reason::kInUseByFill,
                              .subject = ChildPath(folder.path(), name)});
      return 0;
    }
  }
  int removed = 0;
  for (const std::string& entry : *listed) {
    if (!IsFillFileName(entry)) continue;
    platform::Result<platform::FileInfo> file = inside.DescribeAt(entry);
    if (!file.ok() || file->kind != platform::FileKind::kRegular) continue;
    platform::Status status = inside.RemoveAt(entry, false);
    if (!status.ok()) {
      ReportFailure(sink, status);
      return -1;
    }
    ++removed;
  }
  platform::Status status = folder.RemoveAt(name, true);
  if (!status.ok()) {
    ReportFailure(sink, status);
    return -1;
  }
  return removed;
}

}  // namespace tarnwell::fill
