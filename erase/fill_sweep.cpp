// SweepHeldBackBlocks: the last step of a fill on a volume that keeps a
// reserve of its own.
#include <algorithm>
#include <cerrno>

#include "erase/free_space_fill.h"

namespace tarnwell::erase {
namespace {

// One block of zeros for direct writes; no file system block is larger.
constexpr size_t kLargestBlock = 65536;
alignas(kLargestBlock) const char zeros[kLargestBlock] = {};

bool IsVolumeFull(const platform::Status& status) {
  return status.code() == ENOSPC || status.code() == EDQUOT;
}

// Gives up to bytes from the start of the file at path back to the file
// system; returns how many.
uint64_t GiveBack(platform::Env& env, const std::string& path, uint64_t bytes) {
  platform::Result<std::unique_ptr<platform::WritableFile>> opened = env.OpenForOverwrite(path);
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
  bytes = GiveBack(context.env, state.paths.front(), std::min(bytes, kMaxSweepBytes));
  if (bytes == 0) return 0;

  platform::Result<std::unique_ptr<platform::WritableFile>> created =
      CreateFillFile(context, state);
  if (!created.ok()) return 0;
  platform::WritableFile& file = **created;
  uint64_t written = 0;
  bool failed = false;
  auto report = [&](const platform::Status& status) {
    context.window.InsertMessage(status.message(), core::MessageIcon::kError);
    ++state.errors;
    failed = true;
  };
  // Only direct writes ask for their blocks one by one; buffered ones would
  // be gathered into one large request again.
  if (file.SetDirect(true).ok()) {
    const size_t block = file.direct_alignment();
    while (block > 0 && block <= kLargestBlock && written < bytes && !FillStopRequested(context)) {
      platform::Result<size_t> n = file.WriteAt(written, zeros, block);
      if (!n.ok() && !IsVolumeFull(n.status())) report(n.status());
      if (!n.ok() || *n != block) break;
      written += block;
    }
  }
  const bool stopped = FillStopRequested(context);
  if (!failed && !stopped) {
    platform::Status synced = file.DataSync();
    if (!synced.ok()) report(synced);
  }
  platform::Status closed = file.Close();
  if (!closed.ok() && !failed && !stopped) report(closed);
  return written;
}

}  // namespace tarnwell::erase
