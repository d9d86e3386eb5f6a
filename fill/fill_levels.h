// One level of the free-space fill: one temporary file written until the
// volume or the file is full, and what the levels of one fill share.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/run_state.h"
#include "fill/fill_job.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

// Progress and the "written" count move in these steps (not 65536).
inline constexpr size_t kFillBlockBytes = 64000;
// After this many new files in a row that took no byte the volume is full,
// however much free space was measured at the start.
inline constexpr int kMaxEmptyFillFiles = 2;
// Name clashes tolerated before a file counts as impossible to create.
inline constexpr int kFillCreateAttempts = 8;

// One fill's temporary files and counters, shared by its levels.
struct FillState {
  std::string folder;  // for rows; never looked up
  // The fill folder, opened once: every file is made, measured, given back
  // and deleted through it. Must be set before the first level.
  platform::Folder* held = nullptr;
  uint64_t free_bytes = 0;
  // The progress count: 64000 per block begun, as the display shows it.
  uint64_t counted_bytes = 0;
  uint64_t written_bytes = 0;
  // Every file made so far, oldest first; deleted newest first.
  std::vector<std::string> paths;
  // What each of paths was when it was made.
  std::vector<platform::FileInfo> identities;
  // The lock held on each of them from creation to deletion, so that the
  // clean-up of another fill never takes a running fill's file for a
  // leftover.
  std::vector<std::unique_ptr<platform::FileLock>> locks;
  // Part of free_bytes that no write of this process can reach (ext4's own
  // reserve, measured in for root).
  uint64_t out_of_reach_bytes = 0;
  int created = 0;
  int errors = 0;
};

// Everything a fill talks to. progress is called with (done, total) after
// every block; it may be empty. The fill stops when fill_running is 0 or
// interrupt (when given) is not.
struct FillContext {
  platform::Env& env;
  job::EventSink& sink;
  core::RunState& run_state;
  std::function<void(uint64_t, uint64_t)> progress;
  const std::atomic<bool>* interrupt = nullptr;
};

// What this process may still write on the volume of state.held by the
// file system's count: MeasureDiskSpace less state.out_of_reach_bytes.
// UINT64_MAX when the volume can't be measured.
uint64_t ReachableBytes(platform::Env& env, const FillState& state);

// True when the fill of context was asked to stop.
bool FillStopRequested(const FillContext& context);

// How one temporary file ended.
enum class FillFileEnd {
  kFull,        // the volume took no more (ENOSPC, EDQUOT)
  kSizeLimit,   // the file reached the file size limit (EFBIG)
  kNotCreated,  // no file could be made; state.paths is unchanged
  kVolumeFull,  // no file could be made because the volume is full
  kStopped,     // fill_running was cleared
  kFailed,      // a write, sync or close failed otherwise (error row added)
};

struct FillFileResult {
  FillFileEnd end = FillFileEnd::kFailed;
  uint64_t bytes = 0;  // bytes this file took
};

// Makes a new temporary file in state.held (a new name on a clash) with its
// "File:" row either way, locks it and adds it to state.paths. A failure other than a
// full volume gets an error row as well.
platform::Result<std::unique_ptr<platform::WritableFile>> CreateFillFile(FillContext& context,
                                                                         FillState& state);

// One level of the fill: makes one temporary file (a new name on a clash,
// "File:" row either way), writes zero blocks into it until the volume or the
// file is full or the fill is stopped, finishes with block-sized direct writes
// when the volume filled up, syncs and closes it. The file stays on the volume
// (its path in state.paths) until DeleteFillFiles.
FillFileResult WriteFillFile(FillContext& context, FillState& state);

// The most a sweep moves: ext4 never holds back more than this (4096 blocks).
inline constexpr uint64_t kMaxSweepBytes = uint64_t{16} << 20;

// For a volume that is full short of what the file system holds back: gives
// the first `bytes` of the first temporary file (blocks already zeroed) back
// and takes as many blocks again, one per request, into a new temporary file,
// then writes zeros over them and syncs. ext4 hands single-block requests its
// smallest free holes first, the ones deleted files left between kept ones,
// so the blocks still held back afterwards are mostly blocks this fill has
// zeroed. Returns the bytes written into the new file; 0 when the file system
// cannot give blocks back or allocate them.
uint64_t SweepHeldBackBlocks(FillContext& context, FillState& state, uint64_t bytes);

// Deletes every file in state.paths, newest first, reporting progress after
// each; a file that can't be deleted is an error row.
void DeleteFillFiles(FillContext& context, FillState& state);

}  // namespace tarnwell::fill
