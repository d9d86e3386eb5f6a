// The record pass of the fill: once the data fill has taken the free blocks,
// the file system must serve new files from the records (inodes, MFT
// records) that deleted files freed, and a new small file overwrites one of
// them with whatever it kept: a small file's data, its names, its extended
// attributes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fill/fill_levels.h"
#include "fill/leftovers.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

// What the file system of a folder keeps inside its records, as probed.
struct RecordProbe {
  bool keeps_data = false;   // a 60-byte file takes less than one block of storage
  uint64_t kept_bytes = 0;   // the largest file still kept inside its record
  uint64_t block_bytes = 0;  // the volume's block size the probe compared with
};

// Probes the file system of folder with files of the fill's name shape,
// deleted again at once: whether a 60-byte file takes less storage than one
// block, and then the largest size that still does. A file system that does
// not answer keeps nothing, as far as the fill knows.
RecordProbe ProbeRecords(platform::Folder& folder, platform::Env& env);

// Roughly how long a pass over every free record of the held folder's
// volume takes, in seconds; -1 when the file system does not count them.
int64_t EstimatedRecordPassSeconds(platform::Folder& folder);

// One fill's record pass, from its folder made before the data fill to its
// files deleted with the fill's own. Its files live in a folder of the
// fill's name shape, locked by a file inside it, so a clean-up of another
// fill neither deletes them while they exist nor misses them after a kill.
class RecordPass {
 public:
  // Before the data fill: makes the pass's folder in state.held and probes
  // the file system there. The pass runs where the file system keeps file
  // data in its records, or when wanted. A pass that runs writes a spare
  // file of zeros now (counted as written), freed again just before the
  // pass, so the folder holding the new files can still grow. Null when the
  // pass does not run; nothing of it is left then.
  static std::unique_ptr<RecordPass> Prepare(FillContext& context, FillState& state, bool wanted);

  ~RecordPass();
  RecordPass(const RecordPass&) = delete;
  RecordPass& operator=(const RecordPass&) = delete;

  // After the data fill: frees the spare, then makes files of probe().kept_bytes
  // zero bytes until the file system refuses a new record, as many files as
  // it counted free records are made, the free space shows new records
  // being made rather than freed ones taken, or the fill stops. Reports the
  // count now and then; returns the number of records written.
  uint64_t Run(FillContext& context, FillState& state);

  // Deletes every file of the pass, then its folder; a failure is an error
  // notice. Safe to call more than once.
  void Delete(FillContext& context, FillState& state);

  const RecordProbe& probe() const { return probe_; }
  uint64_t records() const { return records_; }

 private:
  RecordPass() = default;
  // The name of the pass's record number: its random base name with the
  // number added digit by digit in the names' alphabet, so each record has
  // a distinct name of the fill's shape without more randomness per file.
  std::string RecordName(uint64_t number) const;
  // Whether the free space fell by more since the last call than freed
  // records cost: the table of records grows, so none is left freed.
  bool TableGrows(platform::Folder& folder);

  RecordProbe probe_;
  std::string folder_name_;  // in the fill folder
  std::unique_ptr<platform::Folder> folder_;
  std::string lock_name_;
  std::unique_ptr<platform::FileLock> lock_;
  std::string spare_name_;  // empty once freed
  std::array<uint8_t, kFillNameTemplate.size()> base_{};
  uint64_t numbers_ = 0;           // record names used so far
  std::vector<uint64_t> skipped_;  // of them, names that were taken
  uint64_t records_ = 0;
  uint64_t free_seen_ = UINT64_MAX;
};

// For the clean-up of interrupted fills: when name in folder is a record
// pass's folder that no running fill holds, deletes the fill-shaped files in
// it and the folder itself, and returns how many files went; 0 with a notice
// when a running fill holds it, -1 when it is no such folder or a file could
// not be deleted (error notice).
int RemoveRecordFolder(platform::Folder& folder, const std::string& name, job::EventSink& sink);

}  // namespace tarnwell::fill
