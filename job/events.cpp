#include "job/events.h"

namespace tarnwell::job {

std::string_view ReasonCode(Reason reason) {
  switch (reason) {
    case Reason::kNone:
      return "none";
    case Reason::kChangedSinceListed:
      return "changed_since_listed";
    case Reason::kNoIdentity:
      return "no_identity";
    case Reason::kOtherNames:
      return "other_names";
    case Reason::kInUse:
      return "in_use";
    case Reason::kChangedWhileErased:
      return "changed_while_erased";
    case Reason::kKernelFileSystem:
      return "kernel_file_system";
    case Reason::kNotRegularFile:
      return "not_regular_file";
    case Reason::kNotRemovable:
      return "not_removable";
    case Reason::kNotEmpty:
      return "not_empty";
    case Reason::kFolderNotRemoved:
      return "folder_not_removed";
    case Reason::kRenameFailed:
      return "rename_failed";
    case Reason::kVerifyMismatch:
      return "verify_mismatch";
    case Reason::kWriteFailed:
      return "write_failed";
    case Reason::kReadFailed:
      return "read_failed";
    case Reason::kDeleteFailed:
      return "delete_failed";
    case Reason::kStopped:
      return "stopped";
    case Reason::kAborted:
      return "aborted";
    case Reason::kUntrustedFileSystem:
      return "untrusted_file_system";
    case Reason::kShadowCopies:
      return "shadow_copies";
    case Reason::kJournalKeepsNames:
      return "journal_keeps_names";
    case Reason::kJournalNotCleared:
      return "journal_not_cleared";
    case Reason::kSlackNotScrubbed:
      return "slack_not_scrubbed";
    case Reason::kSyncFailed:
      return "sync_failed";
    case Reason::kSteppedOver:
      return "stepped_over";
    case Reason::kFolderUnreadable:
      return "folder_unreadable";
    case Reason::kRefusedRoot:
      return "refused_root";
    case Reason::kRefusedDots:
      return "refused_dots";
    case Reason::kNotAdded:
      return "not_added";
    case Reason::kInMemory:
      return "in_memory";
    case Reason::kLeftoversRemoved:
      return "leftovers_removed";
    case Reason::kInUseByFill:
      return "in_use_by_fill";
    case Reason::kFillFailed:
      return "fill_failed";
    case Reason::kFillFile:
      return "fill_file";
    case Reason::kStateFolderRefused:
      return "state_folder_refused";
    case Reason::kFillFolderChanged:
      return "fill_folder_changed";
    case Reason::kLockHeld:
      return "lock_held";
    case Reason::kReserveRestored:
      return "reserve_restored";
    case Reason::kEraseFinished:
      return "erase_finished";
    case Reason::kPartlyOverwritten:
      return "partly_overwritten";
    case Reason::kEraseFolderChanged:
      return "erase_folder_changed";
    case Reason::kLogKeepsNames:
      return "log_keeps_names";
    case Reason::kAttributesMayRemain:
      return "attributes_may_remain";
    case Reason::kFailed:
      return "failed";
  }
  return "failed";
}

std::string_view OutcomeCode(Outcome outcome) {
  switch (outcome) {
    case Outcome::kErased:
      return "erased";
    case Outcome::kKept:
      return "kept";
    case Outcome::kSkipped:
      return "skipped";
  }
  return "kept";
}

}  // namespace tarnwell::job
