#include "fill/fill_levels.h"

#include <algorithm>
#include <cerrno>
#include <memory>

#include "core/aligned_buffer.h"
#include "fill/ext4_reserve.h"
#include "fill/leftovers.h"
#include "fill/levels_shared.h"
#include "job/pause.h"
#include "job/random_name.h"

namespace tarnwell::fill {
namespace {

// Buffered writes go out in 1 MiB chunks, as dd bs=1M writes: ext4 hands a
// freed 1 MiB hole (a typical deleted file) to a write of exactly that size,
// which chunks of 16 blocks (1,024,000 bytes) reach only in part.
constexpr size_t kChunkBytes = size_t{1} << 20;
// The largest direct write; halved down to one block near the end. Large
// enough that the device never waits for the next request for long, small
// enough that the last ones ask for little more than is left.
constexpr size_t kLargestDirectWrite = size_t{8} << 20;
static_assert(kChunkBytes <= kFillZeroBytes && kLargestDirectWrite <= kFillZeroBytes);
static_assert(kLargestDirectWrite % kFillZeroAlignment == 0);

void Report(FillContext& context, const FillState& state) {
  if (context.progress) context.progress(state.counted_bytes, state.free_bytes);
}

// A block written only in part counts whole, as the display always had it.
void Count(FillContext& context, FillState& state, uint64_t counted_before, uint64_t offset) {
  state.counted_bytes =
      counted_before + (offset + kFillBlockBytes - 1) / kFillBlockBytes * kFillBlockBytes;
  Report(context, state);
}

// Turns direct I/O on when the file system allows it at an alignment the
// zero buffer meets; returns the alignment, 0 when the writes stay buffered.
size_t TryDirect(platform::WritableFile& file) {
  if (!file.SetDirect(true).ok()) return 0;
  const size_t alignment = file.direct_alignment();
  if (alignment > 0 && alignment <= kFillZeroAlignment) return alignment;
  file.SetDirect(false);
  return 0;
}

// How the direct writes of a file ended.
enum class DirectEnd {
  kFull,       // nothing more is reachable, or one block was refused
  kBuffered,   // the rest goes buffered: an unaligned short write (a size
               // limit is near) or the file system refused a direct write
               // (EINVAL)
  kSizeLimit,  // EFBIG
  kStopped,
  kFailed,  // error row added
};

// Direct writes are placed on the disk at once: no page cache to copy into
// and write back, and no room kept for the metadata of writes not yet
// placed, so they also take the blocks ext4 holds back from buffered writes.
// Each asks for at most what the file system still counts free; a refused
// one halves down to one block. The count, not a refusal, ends the writes:
// ext4 retries a refused write, after a journal commit when blocks are about
// to be freed, which costs milliseconds each time. Advances *offset.
DirectEnd WriteDirect(FillContext& context, FillState& state, platform::WritableFile& file,
                      size_t alignment, uint64_t counted_before, uint64_t* offset) {
  size_t largest = std::max(kLargestDirectWrite / alignment * alignment, alignment);
  for (;;) {
    if (FillStopRequested(context)) return DirectEnd::kStopped;
    const uint64_t reachable = ReachableBytes(context.env, state) / alignment * alignment;
    if (reachable == 0) return DirectEnd::kFull;
    const size_t size = static_cast<size_t>(std::min<uint64_t>(largest, reachable));
    platform::Result<size_t> n = file.WriteAt(*offset, FillZeros(), size);
    if (n.ok() && *n > 0) {
      *offset += *n;
      Count(context, state, counted_before, *offset);
      if (*n % alignment != 0) return DirectEnd::kBuffered;
      continue;
    }
    const int code = n.ok() ? 0 : n.status().code();
    if (code == EFBIG) return DirectEnd::kSizeLimit;
    if (code == EINVAL) return DirectEnd::kBuffered;
    if (!n.ok() && !IsVolumeFull(code)) {
      ReportFillError(context, state, n.status());
      return DirectEnd::kFailed;
    }
    if (size == alignment) return DirectEnd::kFull;
    largest = std::max(size / 2 / alignment * alignment, alignment);
  }
}

// Buffered writes of kChunkBytes from *offset until the volume or the file is
// full, the fill is stopped or a write fails.
FillFileEnd WriteBuffered(FillContext& context, FillState& state, platform::WritableFile& file,
                          uint64_t counted_before, uint64_t* offset) {
  for (;;) {
    if (FillStopRequested(context)) return FillFileEnd::kStopped;
    platform::Result<size_t> n = file.WriteAt(*offset, FillZeros(), kChunkBytes);
    if (!n.ok()) {
      const int code = n.status().code();
      if (code == EFBIG) return FillFileEnd::kSizeLimit;
      if (IsVolumeFull(code)) return FillFileEnd::kFull;
      ReportFillError(context, state, n.status());
      return FillFileEnd::kFailed;
    }
    if (*n == 0) return FillFileEnd::kFull;
    *offset += *n;
    Count(context, state, counted_before, *offset);
  }
}

// Writes zeros into file from offset 0 until the volume or the file is full
// or the fill stops: direct writes where the file system takes them, else
// buffered ones. Returns how the file ended and sets *written.
FillFileEnd WriteZeros(FillContext& context, FillState& state, platform::WritableFile& file,
                       uint64_t* written) {
  const uint64_t counted_before = state.counted_bytes;
  uint64_t offset = 0;
  if (const size_t alignment = TryDirect(file); alignment != 0) {
    const DirectEnd direct = WriteDirect(context, state, file, alignment, counted_before, &offset);
    file.SetDirect(false);
    *written = offset;
    switch (direct) {
      case DirectEnd::kFull:
        return FillFileEnd::kFull;
      case DirectEnd::kSizeLimit:
        return FillFileEnd::kSizeLimit;
      case DirectEnd::kStopped:
        return FillFileEnd::kStopped;
      case DirectEnd::kFailed:
        return FillFileEnd::kFailed;
      case DirectEnd::kBuffered:
        break;
    }
  }
  const FillFileEnd end = WriteBuffered(context, state, file, counted_before, &offset);
  *written = offset;
  return end;
}

}  // namespace

const char* FillZeros() {
  // On the heap, as Windows' object format aligns static data to 8 KiB at
  // most; made at the first fill, not at every start of the program; never
  // freed, so a fill still running while the process ends keeps it.
  static const char* const zeros = reinterpret_cast<const char*>(
      core::AllocateZeroedAligned(kFillZeroAlignment, kFillZeroBytes).release());
  return zeros;
}

uint64_t ReachableBytes(platform::Env& env, const FillState& state) {
  const int64_t free = MeasureDiskSpace(env, *state.held);
  if (free < 0) return UINT64_MAX;
  const uint64_t measured = static_cast<uint64_t>(free);
  return measured > state.out_of_reach_bytes ? measured - state.out_of_reach_bytes : 0;
}

void ReportFillError(FillContext& context, FillState& state, const platform::Status& status) {
  context.sink.Report(job::Notice{.severity = job::Severity::kError,
                                  .reason = job::Reason::kFillFailed,
                                  .subject = state.folder,
                                  .error_code = status.code(),
                                  .detail = status.message()});
  ++state.errors;
}

bool FillStopRequested(const FillContext& context) {
  const auto stopped = [&context] {
    return !context.run_state.fill_running.load() ||
           (context.interrupt != nullptr && context.interrupt->load() != 0);
  };
  // Asked before every write: while the stop question is open, none follows.
  job::WaitWhilePaused(context.env, context.run_state.pause_asked, stopped);
  return stopped();
}

platform::Result<std::unique_ptr<platform::WritableFile>> CreateFillFile(FillContext& context,
                                                                         FillState& state) {
  std::string name;
  platform::Result<std::unique_ptr<platform::WritableFile>> created =
      platform::Status::Error(EEXIST, "");
  std::unique_ptr<platform::FileLock> lock;
  for (int attempt = 0; attempt < kFillCreateAttempts; ++attempt) {
    name = NewFillFileName(context.env);
    created = state.held->CreateLockedAt(name, &lock);
    if (created.ok()) break;
    // EAGAIN: another fill's clean-up reached the new file before the lock;
    // that clean-up deletes it.
    const int code = created.status().code();
    if (code != EEXIST && code != EAGAIN) break;
  }
  const std::string path = state.folder == "/" ? "/" + name : state.folder + "/" + name;
  context.sink.Report(job::Notice{
      .severity = job::Severity::kInfo, .reason = job::Reason::kFillFile, .subject = path});
  if (created.ok()) {
    platform::Result<platform::FileInfo> identity = (*created)->Stat();
    state.paths.push_back(path);
    state.identities.push_back(identity.ok() ? *identity : platform::FileInfo{});
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

  FillFileResult result;
  result.end = WriteZeros(context, state, file, &result.bytes);

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

std::string FillFileName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

void DeleteFillFiles(FillContext& context, FillState& state) {
  while (!state.paths.empty()) {
    platform::Status removed = state.held->RemoveAt(FillFileName(state.paths.back()), false);
    if (!removed.ok()) ReportFillError(context, state, removed);
    state.paths.pop_back();
    if (!state.identities.empty()) state.identities.pop_back();
    // Released only now: until the file is gone it is this fill's.
    if (!state.locks.empty()) state.locks.pop_back();
    Report(context, state);
  }
}

}  // namespace tarnwell::fill
