// The free-space fill as a whole: temporary files of zero bytes written into a
// volume until it is full, then deleted again, so that files deleted earlier
// by ordinary means can no longer be read from the unused space.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "core/run_state.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

// The free bytes this process can write on the volume the held folder lives
// on (root may write the blocks reserved for root, so they count for root),
// or -1 when the volume can't be measured. total, when given, receives the
// volume's size.
int64_t MeasureDiskSpace(platform::Env& env, platform::Folder& folder, uint64_t* total = nullptr);

// Where the temporary files go for a chosen folder: its parent, except when
// the chosen folder is the root of a mounted file system (then the folder
// itself, so the chosen volume is filled and not the one it is mounted on).
// The chosen path is made absolute first; links are not resolved.
std::string FillFolderFor(platform::Env& env, const std::string& chosen);

// Opens the fill folder once, for the whole fill: the folders above it are
// looked up by path, its own name is never followed (a link there is
// refused), and from then on nothing is looked up by path again.
platform::Result<std::unique_ptr<platform::Folder>> OpenFillFolder(platform::Env& env,
                                                                   const std::string& folder);

struct FillOptions {
  // ext4 only, root only: lower ext4's own reserve for the fill as well.
  bool include_reserved = false;
  // Where the fill records its folder and a lowered reserve's old value
  // while it runs; empty for RuntimeStateFolder.
  std::string state_folder;
  // Set to non-zero by a signal handler (Ctrl-C, a closed terminal); stops
  // the fill like a cleared fill_running. May be null.
  const std::atomic<bool>* interrupt = nullptr;
  // Also overwrite every free record (inode) where the file system keeps no
  // file data in its records; where it does, the pass runs anyway.
  bool records = false;
};

// What one fill did, for the command line's exit code and for tests.
struct FillReport {
  std::string folder;            // where the temporary files were made
  uint64_t free_bytes = 0;       // measured at the start; all ones when unknown
  uint64_t written_bytes = 0;    // zero bytes that really reached the volume
  uint64_t held_back_bytes = 0;  // ext4's own reserve, when it was left in place
  uint64_t swept_bytes = 0;      // taken one block at a time by the sweep
  int files = 0;                 // temporary files created
  uint64_t records = 0;          // free records overwritten by small files
  bool filled = false;           // wrote until the volume took no more
  bool stopped = false;          // fill_running was cleared
  int errors = 0;                // rows with the error icon
};

// Whether the mount keeps its files in memory only (tmpfs, ramfs).
bool IsInMemory(const platform::MountInfo& mount);

// Whether --include-reserved can work for a fill into the held folder: root,
// and an ext4 file system whose reserve is readable. The reason when not.
platform::Status CheckIncludeReserved(platform::Env& env, platform::Folder& folder);

// The whole fill for a chosen folder, as the window's worker or the command
// line runs it: clean-up after interrupted fills, warnings, measuring, the
// files, their deletion, and what it covered, all reported to sink; ends with
// FillCovered (when it could start) and FillEnded. The window's busy state is
// the caller's.
FillReport FillFreeSpace(platform::Env& env, job::EventSink& sink, core::RunState& run_state,
                         const std::string& chosen_folder, const FillOptions& options = {});

}  // namespace tarnwell::fill
