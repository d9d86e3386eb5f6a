// What the jobs (the erase, the fill, the folder scan) report while they run,
// as typed values: no text, no window. A front end turns them into catalogue
// rows (ui/event_texts.h) or JSON (cli/json_port.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "platform/env.h"

namespace tarnwell::job {

// Why an item ended as it did, or what a warning is about. The codes
// (ReasonCode) are part of the JSON output: never renumber them by name.
enum class Reason {
  kNone,                // erased as asked
  kChangedSinceListed,  // another object, or none, has the listed name now
  kNoIdentity,          // listed without an identity, so nothing is known to match
  kOtherNames,          // hard links with names outside the list
  kInUse,               // another program has the file open
  kChangedWhileErased,  // written to by another program during a pass
  kKernelFileSystem,    // on /proc, /sys and the like
  kNotRegularFile,      // FIFO, socket or device: never written
  kNotRemovable,        // its folder would refuse the removal
  kNotEmpty,            // a folder that still holds entries
  kFolderNotRemoved,    // a folder that could not be listed or removed
  kRenameFailed,        // erased, but its old name may remain on disk
  kVerifyMismatch,      // read back, not all zeros
  kWriteFailed,         // an open, write or sync failed
  kReadFailed,          // reading back failed
  kDeleteFailed,        // the removal of the renamed entry failed
  kStopped,             // not reached: the job was stopped
  kAborted,             // not reached: the countdown was aborted
  // Warnings and notes that concern no single listed item.
  kUntrustedFileSystem,  // overwriting in place cannot be trusted on the volume
  kShadowCopies,         // the volume's shadow copies may keep older copies
  kJournalKeepsNames,    // the journal could not be cleared (no right)
  kJournalNotCleared,    // the journal zero-out failed
  kSlackNotScrubbed,     // a folder's free entry space could not be written over
  kSyncFailed,           // a folder or file system sync failed
  kSteppedOver,          // a scan stepped over another file system
  kFolderUnreadable,     // a scan could not read a folder
  kRefusedRoot,          // "/" or a drive root is never listed
  kRefusedDots,          // "." and ".." are never listed
  kNotAdded,             // a path that names nothing
  kInMemory,             // a fill into a volume held in memory
  kLeftoversRemoved,     // files of an interrupted fill removed
  kInUseByFill,          // a running fill's file, left alone
  kFillFailed,           // a step of the fill failed
  kFillFile,             // the fill begins a temporary file
  kStateFolderRefused,   // the folder for notes of running fills is not safe to use
  kFillFolderChanged,    // a killed fill's folder is no longer the one it used
  kLockHeld,             // another run holds a lock; count is the seconds waited
  kReserveRestored,      // ext4's reserve of a killed fill put back (second: clusters)
  kEraseFinished,        // files a killed erase left, deleted at a start (count)
  kPartlyOverwritten,    // an original a killed erase only partly overwrote
  kEraseFolderChanged,   // a killed erase's folder is no longer the one it used
  kLogKeepsNames,        // erased names may stay where no call reaches (XFS)
  kAttributesMayRemain,  // no record pass ran: freed records may keep attribute values
  kFailed,               // any other failed step, told by its detail
};

// The stable snake_case code of reason ("changed_since_listed", ...).
std::string_view ReasonCode(Reason reason);

enum class Outcome { kErased, kKept, kSkipped };
std::string_view OutcomeCode(Outcome outcome);

// An erase job begins: passes it will do (at most its limit) against those
// asked for, and its countdown in seconds.
struct JobStarted {
  int passes_asked = 1;
  int passes = 1;
  int delay_seconds = 0;
};

// One second of the countdown begins; seconds_left counts down to 1.
struct CountdownTick {
  int seconds_left = 0;
};

// The countdown is over and the items are being erased: total_bytes is what
// all passes will write.
struct ErasingStarted {
  uint64_t total_bytes = 0;
};

// The end of one listed item, exactly once per listed row of an erase. detail
// is the system's text of the failure (empty when none), error_code its
// error number (0 when none); count is the other names (kOtherNames) or the
// entries left (kNotEmpty).
struct ItemResult {
  std::string path = {};
  platform::FileKind kind = platform::FileKind::kOther;
  Outcome outcome = Outcome::kErased;
  Reason reason = Reason::kNone;
  int error_code = 0;
  std::string detail = {};
  uint64_t bytes = 0;
  int count = 0;
};

enum class Severity { kInfo, kWarning, kError };

// Something the user should know that is not an item's end: subject is a
// path or a volume (mount point), second a file system type where it
// matters, count a number the text needs. A notice whose reason has no
// catalogue text of its own (a failed step) shows its detail, the system's
// text, as it is.
struct Notice {
  Severity severity = Severity::kWarning;
  Reason reason = Reason::kNone;
  std::string subject = {};
  std::string second = {};
  int error_code = 0;
  std::string detail = {};
  int count = 0;
};

// How far a job has come; final is the end state (no time remaining).
struct Progress {
  uint64_t done = 0;
  uint64_t total = 0;
  double percentage = 0;
  double elapsed_seconds = 0;
  double remaining_seconds = 0;  // infinite while nothing is done
  bool final = false;
};

// An erase job is over. aborted: in its countdown, nothing touched; stopped:
// between two items. percentage is the share done (see FinalPercentage).
struct JobEnded {
  int erased = 0;
  int not_erased = 0;
  int errors = 0;
  bool stopped = false;
  bool aborted = false;
  double percentage = 0;
};

// A folder scan has found entries so far (a few times per second at most).
struct ScanProgress {
  uint64_t entries = 0;
};

// The item list's rows were rebuilt (reset: emptied, no status).
struct ListChanged {
  int rows = 0;
  uint64_t total_bytes = 0;
  bool reset = false;
};

// A fill begins in folder on the volume mounted at volume (its file system
// fs_type) and will write about free_bytes (all ones when unknown); its
// progress follows.
struct FillStarted {
  std::string folder = {};
  std::string volume = {};
  std::string fs_type = {};
  uint64_t free_bytes = 0;
};

// What a fill wrote against the free space it measured at the start
// (free_bytes all ones when unknown), and what the file system held back.
struct FillCovered {
  uint64_t written_bytes = 0;
  uint64_t free_bytes = 0;
  uint64_t held_back_bytes = 0;
};

// A fill will overwrite the free records (inodes) too, as asked: the free
// records the file system counts and about how long the pass takes.
struct RecordPassPlanned {
  uint64_t free_records = 0;
  int64_t seconds = 0;
};

// The fill's record pass has written records so far; final once, after the
// pass, with the count it ended at.
struct RecordsWritten {
  uint64_t records = 0;
  bool final = false;
};

// A fill is over and its temporary files are gone.
struct FillEnded {
  int errors = 0;
  bool stopped = false;
};

using Event = std::variant<JobStarted, CountdownTick, ErasingStarted, ItemResult, Notice, Progress,
                           JobEnded, ScanProgress, ListChanged, FillStarted, FillCovered,
                           RecordPassPlanned, RecordsWritten, FillEnded>;

}  // namespace tarnwell::job
