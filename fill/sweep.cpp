// SweepHeldBackBlocks: the last step of a fill on a volume that keeps a
// reserve of its own.
#include <algorithm>
#include <cerrno>

#include "fill/levels_shared.h"

namespace tarnwell::fill {
namespace {

// Gives up to bytes from the start of the fill's first file back to the file
// system, through the fill folder; returns how many.
uint64_t GiveBack(FillState& state, uint64_t bytes) {
  platform::Result<std::unique_ptr<platform::WritableFile>> opened =
      state.held->OpenAt(FillFileName(state.paths.front()), &state.identities.front(), false);
  if (!opened.ok()) return 0;
  platform::Result<platform::FileInfo> info = (*opened)->Stat();
  const uint64_t given = info.ok() ? std::min(bytes, info->size) : 0;
  const bool punched = given > 0 && (*opened)->PunchHole(0, given).ok();
  (*opened)->Close();
  return punched ? given : 0;
}

}  // namespace

uint64_t SweepHeldBackBlocks(FillContext& context, FillState& state, uint64_t bytes) {
  if (state.paths.empty() || FillStopRequested(context)) return 0;
  platform::Result<platform::VolumeSpace> space = state.held->Space();
  const uint64_t block = space.ok() ? space->block_size : 0;
  if (block == 0) return 0;
  bytes = std::min(bytes, kMaxSweepBytes) / block * block;
  bytes = GiveBack(state, bytes) / block * block;
  if (bytes == 0) return 0;

  platform::Result<std::unique_ptr<platform::WritableFile>> created =
      CreateFillFile(context, state);
  if (!created.ok()) return 0;
  platform::WritableFile& file = **created;

  // One block per request: a larger one would be placed in a larger hole.
  // Allocating first and writing afterwards in large writes keeps the cost of
  // the many small requests to the bookkeeping.
  uint64_t allocated = 0;
  while (allocated < bytes && !FillStopRequested(context)) {
    platform::Status status = file.Allocate(allocated, block);
    if (!status.ok()) {
      const int code = status.code();
      if (!IsVolumeFull(code) && code != ENOTSUP && code != EOPNOTSUPP) {
        ReportFillError(context, state, status);
      }
      break;
    }
    allocated += block;
  }
  // Allocated blocks still hold their old bytes on the disk until written.
  // Direct writes reach them at once; buffered ones would wait for the sync.
  if (file.SetDirect(true).ok() &&
      (file.direct_alignment() == 0 || file.direct_alignment() > kFillZeroAlignment ||
       block % file.direct_alignment() != 0)) {
    file.SetDirect(false);
  }
  uint64_t written = 0;
  while (written < allocated) {
    const size_t length =
        static_cast<size_t>(std::min<uint64_t>(kFillZeroBytes, allocated - written));
    platform::Result<size_t> n = file.WriteAt(written, FillZeros(), length);
    if (n.ok() && *n > 0) {
      written += *n;
      continue;
    }
    if (n.ok()) {
      ReportFillError(
          context, state,
          platform::Status::Error(EIO, "write to '" + file.path() + "' made no progress"));
    } else if (!IsVolumeFull(n.status().code())) {
      ReportFillError(context, state, n.status());
    }
    break;
  }
  if (written > 0) {
    platform::Status synced = file.DataSync();
    if (!synced.ok()) ReportFillError(context, state, synced);
  }
  platform::Status closed = file.Close();
  if (!closed.ok()) ReportFillError(context, state, closed);
  return written;
}

}  // namespace tarnwell::fill
