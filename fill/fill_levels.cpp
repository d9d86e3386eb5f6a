#include "fill/fill_levels.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/aligned_buffer.h"
#include "erase/random_name.h"
#include "fill/ext4_reserve.h"
#include "fill/leftovers.h"
#include "fill/levels_shared.h"

namespace tarnwell::fill {
namespace {

// Writes go out in 1 MiB chunks, as dd bs=1M writes: ext4 hands a freed
// 1 MiB hole (a typical deleted file) to a write of exactly that size, which
// chunks of 16 blocks (1,024,000 bytes) reach only in part.
constexpr size_t kChunkBytes = size_t{1} << 20;
// The largest direct write of the finish; halved down to one block.
constexpr size_t kLargestDirectWrite = size_t{1} << 20;
static_assert(kChunkBytes <= kFillZeroBytes && kLargestDirectWrite <= kFillZeroBytes);
static_assert(kLargestDirectWrite % kFillZeroAlignment == 0);

// On the heap, as Windows' object format aligns static data to 8 KiB at most;
// never freed, so a fill still running while the process ends keeps it.
const char* const zeros = reinterpret_cast<const char*>(
    core::AllocateZeroedAligned(kFillZeroAlignment, kFillZeroBytes).release());

void Report(FillContext& context, const FillState& state) {
  if (context.progress) context.progress(state.counted_bytes, state.free_bytes);
}

// Once the volume is full for buffered writes, ext4 still keeps blocks for
// the metadata of writes it has not placed yet; direct writes are placed at
// once and take those too. Each asks for what the file system still counts
// free; a refused one halves down to one block. The count, not a refusal,
// ends the finish: ext4 retries a refused write, after a journal commit
// when blocks are about to be freed, which costs milliseconds each time.
uint64_t FinishWithDirectWrites(FillContext& context, const FillState& state,
                                platform::WritableFile& file, uint64_t offset) {
  if (!file.SetDirect(true).ok()) return 0;
  const size_t alignment = file.direct_alignment();
  uint64_t written = 0;
  if (alignment > 0 && alignment <= kFillZeroAlignment) {
    uint64_t position = (offset + alignment - 1) / alignment * alignment;
    size_t largest = std::max(kLargestDirectWrite / alignment * alignment, alignment);
    while (!FillStopRequested(context)) {
      const uint64_t reachable = ReachableBytes(context.env, state) / alignment * alignment;
      if (reachable == 0) break;
      const size_t size = static_cast<size_t>(std::min<uint64_t>(largest, reachable));
      platform::Result<size_t> n = file.WriteAt(position, zeros, size);
      if (n.ok() && *n > 0) {
        position += *n;
        written += *n;
        if (*n % alignment != 0) break;  // an unaligned end: nothing more fits
        continue;
      }
      if (!n.ok() && !IsVolumeFull(n.status().code())) break;
      if (size == alignment) break;
      largest = std::max(size / 2 / alignment * alignment, alignment);
    }
  }
  file.SetDirect(false);
  return written;
}

}  // namespace

const char* const kFillZeros = zeros;

uint64_t ReachableBytes(platform::Env& env, const FillState& state) {
  const int64_t free = MeasureDiskSpace(env, state.folder);
  if (free < 0) return UINT64_MAX;
  const uint64_t measured = static_cast<uint64_t>(free);
  return measured > state.out_of_reach_bytes ? measured - state.out_of_reach_bytes : 0;
}

void ReportFillError(FillContext& context, FillState& state, const platform::Status& status) {
  context.window.InsertMessage(status.message(), core::MessageIcon::kError);
  ++state.errors;
}

bool FillStopRequested(const FillContext& context) {
  return context.run_state.fillRunning.load() == 0 ||
         (context.interrupt != nullptr && context.interrupt->load() != 0);
}

platform::Result<std::unique_ptr<platform::WritableFile>> CreateFillFile(FillContext& context,
                                                                         FillState& state) {
  std::string path;
  platform::Result<std::unique_ptr<platform::WritableFile>> created =
      platform::Status::Error(EEXIST, "");
  std::unique_ptr<platform::FileLock> lock;
  for (int attempt = 0; attempt < kFillCreateAttempts; ++attempt) {
    path = NewFillFileName(context.env, state.folder);
    created = context.env.CreateExclusiveLocked(path, 0600, &lock);
    if (created.ok()) break;
    // EAGAIN: another fill's clean-up reached the new file before the lock;
    // that clean-up deletes it.
    const int code = created.status().code();
    if (code != EEXIST && code != EAGAIN) break;
  }
  context.window.InsertMessage("File:" + path, core::MessageIcon::kInfo);
  if (created.ok()) {
    state.paths.push_back(path);
    state.locks.push_back(std::move(lock));
    ++state.created;
  } else if (!IsVolumeFull(created.status().code())) {
    ReportFillError(context, state, created.status());
  }
  return created;
}

FillFileResult WriteFillFile(FillContext& context, FillState& state) {
  platform::Result<std::unique_ptr<platform::WritableFile>> created =
      CreateFillFile(context, state);
  if (!created.ok()) {
    const int code = created.status().code();
    if (IsVolumeFull(code)) return {FillFileEnd::kVolumeFull, 0};
    return {FillFileEnd::kNotCreated, 0};
  }
  platform::WritableFile& file = **created;

  const uint64_t counted_before = state.counted_bytes;
  FillFileResult result{FillFileEnd::kFull, 0};
  uint64_t offset = 0;
  for (;;) {
    if (FillStopRequested(context)) {
      result.end = FillFileEnd::kStopped;
      break;
    }
    platform::Result<size_t> n = file.WriteAt(offset, zeros, kChunkBytes);
    if (!n.ok()) {
      const int code = n.status().code();
      if (code == EFBIG) {
        result.end = FillFileEnd::kSizeLimit;
      } else if (!IsVolumeFull(code)) {
        ReportFillError(context, state, n.status());
        result.end = FillFileEnd::kFailed;
      }
      break;
    }
    if (*n == 0) break;
    offset += *n;
    // A block written only in part counts whole, as the display always had it.
    state.counted_bytes =
        counted_before + (offset + kFillBlockBytes - 1) / kFillBlockBytes * kFillBlockBytes;
    Report(context, state);
  }
  result.bytes = offset;

  // The direct writes go out while the buffered ones still wait for their
  // blocks: syncing first makes ext4 place the buffered data elsewhere and
  // leaves a freed 1 MiB hole unwritten that this order reaches.
  if (result.end == FillFileEnd::kFull) {
    const uint64_t extra = FinishWithDirectWrites(context, state, file, offset);
    result.bytes += extra;
    state.counted_bytes += extra;
    Report(context, state);
  }
  // The zeros must reach the disk before the file is deleted: the kernel
  // drops a deleted file's dirty pages without ever writing them. A file
  // that took nothing has nothing to lose, and its sync would only commit
  // the journal.
  if (result.end != FillFileEnd::kStopped && result.bytes > 0) {
    platform::Status synced = file.DataSync();
    if (!synced.ok()) {
      ReportFillError(context, state, synced);
      result.end = FillFileEnd::kFailed;
    }
  }
  platform::Status closed = file.Close();
  if (!closed.ok() && result.end != FillFileEnd::kStopped) {
    ReportFillError(context, state, closed);
    result.end = FillFileEnd::kFailed;
  }
  state.written_bytes += result.bytes;
  return result;
}

void DeleteFillFiles(FillContext& context, FillState& state) {
  while (!state.paths.empty()) {
    platform::Status removed = context.env.RemoveFile(state.paths.back());
    if (!removed.ok()) ReportFillError(context, state, removed);
    state.paths.pop_back();
    // Released only now: until the file is gone it is this fill's.
    if (!state.locks.empty()) state.locks.pop_back();
    Report(context, state);
  }
}

}  // namespace tarnwell::fill
