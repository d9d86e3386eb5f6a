#include "fill/fill_job.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>

#include "core/paths.h"
#include "fill/ext4_reserve.h"
#include "fill/fill_levels.h"
#include "fill/leftovers.h"
#include "fill/record_pass.h"
#include "fill/running_fills.h"
#include "job/journal_names.h"
#include "job/preflight.h"
#include "job/progress_reporter.h"
#include "job/random_name.h"
#include "platform/lock_wait.h"
#include "platform/race_hook.h"

namespace tarnwell::fill {
namespace {

// Writes files until the volume is full, the size limit chain or the empty
// file chain ends, or the fill is stopped. Returns true when the volume was
// filled.
bool WriteFillFiles(FillContext& context, FillState& state) {
  int empty_in_a_row = 0;
  for (;;) {
    const FillFileResult result = WriteFillFile(context, state);
    switch (result.end) {
      case FillFileEnd::kVolumeFull:
        return true;
      case FillFileEnd::kNotCreated:
      case FillFileEnd::kStopped:
      case FillFileEnd::kFailed:
        return false;
      case FillFileEnd::kFull:
      case FillFileEnd::kSizeLimit:
        break;
    }
    empty_in_a_row = result.bytes == 0 ? empty_in_a_row + 1 : 0;
    if (empty_in_a_row >= kMaxEmptyFillFiles) return true;
    if (state.counted_bytes >= state.free_bytes) return true;
    // A volume that is full short of what the file system keeps for itself
    // would take no more from further files.
    if (result.end == FillFileEnd::kFull &&
        (state.counted_bytes + state.out_of_reach_bytes >= state.free_bytes ||
         ReachableBytes(context.env, state) == 0)) {
      return true;
    }
    if (FillStopRequested(context)) return false;
  }
}

// Whether the volume is really full for this process, short of what the file
// system holds back (an end by empty files or space freed meanwhile is not).
bool IsFullForUs(platform::Env& env, const FillState& state) {
  const int64_t now = MeasureDiskSpace(env, *state.held);
  return now >= 0 && static_cast<uint64_t>(now) <= state.out_of_reach_bytes + kMaxSweepBytes;
}

// Blocks the file system took for its own records during the fill (extent
// blocks) reach their place only when the journal is checkpointed; the
// deletes would otherwise cancel their write and leave the old data there.
// On ext3/ext4 the zero-out checkpoint does that and also wipes the journal's
// copies of folder blocks, which keep the names of files deleted before the
// fill: one journal write, not a checkpoint now and a zero-out after the
// deletes, whose own journal entries hold only the fill folder's block,
// inodes and bitmaps. Elsewhere, or when the zero-out is refused (its warning
// row is shown), sync and checkpoint as far as the file system allows.
// Returns true when the journal was zeroed.
bool SettleBeforeDeletes(job::EventSink& sink, platform::Folder& folder,
                         const std::optional<platform::MountInfo>& journaled) {
  if (journaled && job::ClearJournal(sink, folder, *journaled)) return true;
  folder.SyncFileSystem();
  folder.CheckpointJournal(false, false);
  return false;
}

// A RAM-backed volume holds nothing on a disk: filling it only takes memory
// from every program.
void WarnOfVolumeInMemory(job::EventSink& sink, const platform::MountInfo& mount) {
  if (IsInMemory(mount)) {
    sink.Report(job::Notice{.severity = job::Severity::kWarning,
                            .reason = job::Reason::kInMemory,
                            .subject = mount.mount_point,
                            .second = mount.fs_type});
  }
}

// What the fill says of the volume's records at its end.
enum class RecordsRow { kNone, kWritten, kAttributesMayRemain };

// Where no pass ran, the records of deleted files keep what they kept inside.
void ReportRecords(job::EventSink& sink, const FillReport& report, RecordsRow row) {
  if (row == RecordsRow::kWritten) {
    sink.Report(job::RecordsWritten{.records = report.records, .final = true});
  } else if (row == RecordsRow::kAttributesMayRemain && report.filled) {
    sink.Report(
        job::Notice{.severity = job::Severity::kInfo, .reason = job::Reason::kAttributesMayRemain});
  }
}

void ReportError(job::EventSink& sink, FillState& state, const platform::Status& why) {
  sink.Report(job::Notice{.severity = job::Severity::kError,
                          .reason = job::Reason::kFillFailed,
                          .subject = state.folder,
                          .error_code = why.code(),
                          .detail = why.message()});
  ++state.errors;
}

}  // namespace

int64_t MeasureDiskSpace(platform::Env& env, platform::Folder& folder, uint64_t* total) {
  platform::Result<platform::VolumeSpace> space = folder.Space();
  if (!space.ok()) return -1;
  if (total != nullptr) *total = space->total_bytes;
  const uint64_t free = env.IsPrivileged() ? space->free_bytes : space->available_bytes;
  return static_cast<int64_t>(std::min<uint64_t>(free, INT64_MAX));
}

std::string FillFolderFor(platform::Env& env, const std::string& chosen) {
  platform::Result<std::string> absolute = env.AbsolutePath(chosen);
  const std::string path = absolute.ok() ? *absolute : chosen;
  if (path == "/") return path;
  const std::string parent = core::FolderOf(path);
  platform::Result<platform::FileInfo> self = env.Describe(path);
  platform::Result<platform::FileInfo> above = env.Describe(parent);
  if (self.ok() && above.ok() && self->kind == platform::FileKind::kDirectory &&
      self->device != above->device) {
    return path;
  }
  return parent;
}

platform::Result<std::unique_ptr<platform::Folder>> OpenFillFolder(platform::Env& env,
                                                                   const std::string& folder) {
  if (folder == "/") return env.OpenFolder(folder, nullptr);
  const size_t slash = folder.find_last_of('/');
  if (slash == std::string::npos || slash + 1 == folder.size()) {
    return platform::Status::Error(EINVAL, "not a folder path: '" + folder + "'");
  }
  platform::Result<std::unique_ptr<platform::Folder>> parent =
      env.OpenFolder(slash == 0 ? "/" : folder.substr(0, slash), nullptr);
  if (!parent.ok()) return parent.status();
  platform::Result<std::unique_ptr<platform::Folder>> opened =
      (*parent)->OpenFolderAt(folder.substr(slash + 1), nullptr);
  if (opened.ok()) return std::move(*opened);
  // Where a folder that holds a mounted volume is an entry of its own kind
  // (wine, Windows), it is opened by its path, and must be the folder the
  // path named itself, not followed, a moment before.
  platform::Result<platform::FileInfo> named = env.Describe(folder);
  if (!named.ok() || named->kind != platform::FileKind::kDirectory) return opened.status();
  return env.OpenFolder(folder, &*named);
}

bool IsInMemory(const platform::MountInfo& mount) {
  return mount.fs_type == "tmpfs" || mount.fs_type == "ramfs";
}

platform::Status CheckIncludeReserved(platform::Env& env, platform::Folder& folder) {
  if (!env.IsPrivileged()) {
    return platform::Status::Error(EPERM, "including ext4's reserved clusters needs root");
  }
  platform::Result<Ext4Reserve> reserve = ReadExt4Reserve(env, folder);
  if (!reserve.ok()) {
    return platform::Status::Error(
        reserve.status().code(),
        "including reserved clusters works on ext4 only: " + reserve.status().message());
  }
  return platform::Status::Ok();
}

FillReport FillFreeSpace(platform::Env& env, job::EventSink& sink, core::RunState& run_state,
                         const std::string& chosen_folder, const FillOptions& options) {
  run_state.fill_running = 1;
  // A file-size limit ends a file with EFBIG; the fill goes on with the next.
  env.IgnoreFileSizeSignal();
  FillReport report;
  report.folder = FillFolderFor(env, chosen_folder);
  FillState state;
  state.folder = report.folder;
  job::ProgressReporter progress(env, sink);
  FillContext context{
      env, sink, run_state,
      [&progress](uint64_t done, uint64_t total) { progress.ReportProgress(done, total); },
      options.interrupt};

  const std::string state_path =
      options.state_folder.empty() ? job::RuntimeStateFolder(env) : options.state_folder;
  const std::unique_ptr<platform::Folder> state_folder =
      job::OpenStateFolder(env, state_path, sink);
  CleanUpAfterKilledFills(env, state_folder.get(), sink);
  platform::Result<std::unique_ptr<platform::Folder>> opened = OpenFillFolder(env, report.folder);
  platform::Status usable = opened.ok() ? platform::Status::Ok() : opened.status();
  platform::FileInfo identity;
  if (usable.ok()) {
    state.held = opened->get();
    platform::Result<platform::FileInfo> info = state.held->Stat();
    if (info.ok()) identity = *info;
    usable = info.status();
  }
  if (usable.ok()) platform::RacePoint(platform::RaceStep::kFillFolderOpened, report.folder);
  if (usable.ok() && options.include_reserved) usable = CheckIncludeReserved(env, *state.held);
  RecordsRow records_row = RecordsRow::kNone;
  if (!usable.ok()) {
    ReportError(sink, state, usable);
  } else {
    platform::Folder& folder = *state.held;
    const platform::Result<platform::MountInfo> mount = folder.Mount();
    // Before the first file, so that a kill from here on leaves a record.
    const std::unique_ptr<job::RunningNote> record =
        NoteRunningFill(env, state_folder.get(), report.folder, identity);
    const int leftovers = RemoveFillLeftovers(folder, sink);

    progress.Start();
    // Blocks freed just before (the files the user deleted) become
    // allocatable only once the journal has committed them.
    folder.SyncFileSystem();
    const int64_t measured = MeasureDiskSpace(env, folder);
    state.free_bytes = measured < 0 ? UINT64_MAX : static_cast<uint64_t>(measured);
    // Named first, before any warning: which volume, and how much goes onto it.
    sink.Report(job::FillStarted{.folder = report.folder,
                                 .volume = mount.ok() ? mount->mount_point : report.folder,
                                 .fs_type = mount.ok() ? mount->fs_type : std::string(),
                                 .free_bytes = state.free_bytes});
    // The pass asked for says what it costs at once, before any warning.
    if (options.records) {
      const int64_t seconds = EstimatedRecordPassSeconds(folder);
      platform::Result<platform::VolumeSpace> space = folder.Space();
      if (seconds >= 0 && space.ok()) {
        sink.Report(
            job::RecordPassPlanned{.free_records = space->free_records, .seconds = seconds});
      }
    }
    if (mount.ok()) {
      job::ReportUntrustedFileSystem(sink, *mount);
      WarnOfVolumeInMemory(sink, *mount);
    }
    if (leftovers > 0)
      sink.Report(job::Notice{.severity = job::Severity::kInfo,
                              .reason = job::Reason::kLeftoversRemoved,
                              .count = leftovers});

    std::unique_ptr<LoweredReserve> lowered;
    bool can_fill = true;
    if (options.include_reserved) {
      platform::Result<std::unique_ptr<LoweredReserve>> made =
          state_folder == nullptr
              ? platform::Result<std::unique_ptr<LoweredReserve>>(platform::Status::Error(
                    ENOENT, "no state folder to note the reserve in: " + state_path))
              : LoweredReserve::Lower(env, folder, *state_folder,
                                      [&context] { return FillStopRequested(context); });
      if (made.ok()) {
        lowered = std::move(*made);
      } else {
        can_fill = false;
        if (made.status().code() == ETIMEDOUT) {
          sink.Report(job::Notice{.severity = job::Severity::kError,
                                  .reason = job::Reason::kLockHeld,
                                  .subject = state_path + "/" + kReserveLockName,
                                  .count = static_cast<int>(platform::kLockWaitMillis / 1000)});
          ++state.errors;
        } else if (made.status().code() != ECANCELED) {
          ReportError(sink, state, made.status());
        }
      }
    } else if (platform::Result<Ext4Reserve> reserve = ReadExt4Reserve(env, folder); reserve.ok()) {
      report.held_back_bytes = reserve->bytes;
      if (env.IsPrivileged()) state.out_of_reach_bytes = reserve->bytes;
      // Without root the blocks reserved for root are out of reach as well.
      platform::Result<platform::VolumeSpace> space = folder.Space();
      if (!env.IsPrivileged() && space.ok()) {
        report.held_back_bytes = space->free_bytes - space->available_bytes;
      }
    }

    std::unique_ptr<RecordPass> records;
    if (can_fill && !(mount.ok() && IsInMemory(*mount))) {
      records = RecordPass::Prepare(context, state, options.records);
      if (!records) records_row = RecordsRow::kAttributesMayRemain;
    }
    if (can_fill) report.filled = WriteFillFiles(context, state);
    if (report.filled && report.held_back_bytes > 0 && IsFullForUs(env, state)) {
      report.swept_bytes = SweepHeldBackBlocks(context, state, report.held_back_bytes);
    }
    // Only a full volume makes the file system hand out freed records.
    if (records && report.filled) {
      report.records = records->Run(context, state);
      records_row = RecordsRow::kWritten;
    }
    report.stopped = !report.filled && FillStopRequested(context);
    std::optional<platform::MountInfo> journaled;
    if (can_fill && mount.ok() && job::HasClearableJournal(*mount)) journaled = *mount;
    bool journal_cleared = false;
    if (report.filled) journal_cleared = SettleBeforeDeletes(sink, folder, journaled);
    platform::RacePoint(platform::RaceStep::kBeforeFillDeletes, report.folder);
    DeleteFillFiles(context, state);
    // After the data: on a full NTFS volume even a delete can be refused.
    if (records) records->Delete(context, state);
    if (lowered) {
      platform::Status restored = lowered->Restore();
      if (!restored.ok()) {
        ReportError(sink, state, restored);
      }
    }
    // The fill reaches the free blocks, not the journal's copies of folder
    // blocks, which keep the names of files deleted before it.
    if (journaled && !journal_cleared && !report.filled) {
      job::ClearJournal(sink, folder, *journaled);
    }
  }

  report.free_bytes = state.free_bytes;
  report.written_bytes = state.written_bytes;
  report.files = static_cast<int>(state.created);
  report.errors = state.errors;
  if (usable.ok()) {
    sink.Report(job::FillCovered{report.written_bytes, report.free_bytes, report.held_back_bytes});
    ReportRecords(sink, report, records_row);
    // The status bar keeps the end state: all only when the volume was filled
    // and nothing failed.
    if (state.free_bytes != UINT64_MAX) {
      progress.ReportFinal(state.written_bytes, state.free_bytes,
                           report.filled && state.errors == 0);
    }
  }
  sink.Report(job::FillEnded{report.errors, report.stopped});
  run_state.fill_running = 0;
  return report;
}

}  // namespace tarnwell::fill
