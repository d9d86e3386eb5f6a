#include "ui/event_texts.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <optional>
#include <type_traits>

#include "items/format_size.h"
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::ui {
namespace {

using core::MessageIcon;
using job::Reason;
using text::TextId;

std::string Text(TextId id) { return text::LookupUtf8(id); }

// The catalogue's word for an error code, none for the rest.
std::optional<TextId> ReasonId(int code) {
  switch (code) {
    case EACCES:
      return TextId::kReasonAccessDenied;
    case EPERM:
      return TextId::kReasonNotPermitted;
    case EBUSY:
    case ETXTBSY:
      return TextId::kReasonInUse;
    case ENOENT:
      return TextId::kReasonNotFound;
    case EROFS:
      return TextId::kReasonReadOnly;
    case ENOSPC:
    case EDQUOT:
      return TextId::kReasonNoSpace;
    case EIO:
      return TextId::kReasonIoError;
    case ENAMETOOLONG:
      return TextId::kReasonTooLong;
    // The safe walk's refusals: a name that no longer leads to what was
    // listed, a link it does not follow, a folder that is none.
    case ESTALE:
      return TextId::kReasonReplaced;
    case ELOOP:
      return TextId::kReasonIsLink;
    case ENOTDIR:
      return TextId::kReasonNotAFolder;
    default:
      return std::nullopt;
  }
}

MessageIcon IconOf(job::Severity severity) {
  switch (severity) {
    case job::Severity::kInfo:
      return MessageIcon::kInfo;
    case job::Severity::kWarning:
      return MessageIcon::kWarning;
    case job::Severity::kError:
      return MessageIcon::kError;
  }
  return MessageIcon::kWarning;
}

// The row of an item that was not erased; empty when it gets none.
std::string ItemText(const job::ItemResult& r) {
  const std::string& path = r.path;
  const std::string reason = ErrorReasonText(r.error_code, r.detail);
  switch (r.reason) {
    case Reason::kChangedSinceListed:
    case Reason::kNoIdentity:
      // Without an error code another object was found under the name.
      return text::FormatText(Text(TextId::kChangedSinceListed),
                              {path, r.error_code == 0 ? Text(TextId::kReasonReplaced) : reason});
    case Reason::kOtherNames:
      return text::FormatText(Text(TextId::kOtherNames), {r.count, path});
    case Reason::kKernelFileSystem:
      return text::FormatText(Text(TextId::kKernelFileSystem), {r.detail, path});
    case Reason::kInUse:
      return text::FormatText(Text(TextId::kInUse), {path});
    case Reason::kChangedWhileErased:
      return text::FormatText(Text(TextId::kChangedWhileErased), {path});
    case Reason::kNotRegularFile:
      return text::FormatText(Text(TextId::kNotRegularFile), {path});
    case Reason::kNotRemovable:
      return text::FormatText(Text(TextId::kNotRemovable), {path, reason});
    case Reason::kNotEmpty:
      return text::FormatText(Text(TextId::kFolderNotEmpty), {r.count, path});
    case Reason::kFolderNotRemoved:
      return text::FormatText(Text(TextId::kFolderNotRemoved), {path, reason});
    case Reason::kVerifyMismatch:
      return text::FormatText(Text(TextId::kVerifyMismatch), {path});
    case Reason::kInUseByFill:
      return text::FormatText(Text(TextId::kInUseByFill), {path});
    case Reason::kDeleteFailed:
      return text::FormatText(Text(TextId::kDeleteFailedRow), {path, reason});
    case Reason::kWriteFailed:
      return text::FormatText(Text(TextId::kWriteFailedRow), {path, reason});
    case Reason::kReadFailed:
      return text::FormatText(Text(TextId::kReadFailedRow), {path, reason});
    default:
      return text::FormatText(Text(TextId::kItemFailedRow), {path, reason});
  }
}

std::string NoticeText(const job::Notice& n) {
  const std::string reason = ErrorReasonText(n.error_code, n.detail);
  switch (n.reason) {
    case Reason::kRenameFailed:
      return text::FormatText(Text(TextId::kRenameFailed), {n.subject, reason});
    case Reason::kUntrustedFileSystem:
      return text::FormatText(Text(TextId::kUntrustedFileSystem), {n.subject, n.second});
    case Reason::kShadowCopies:
      return text::FormatText(Text(TextId::kShadowCopies), {n.subject});
    case Reason::kJournalKeepsNames:
      return text::FormatText(Text(TextId::kJournalKeepsNames), {n.subject});
    case Reason::kSteppedOver:
      return text::FormatText(Text(TextId::kSteppedOver), {n.subject});
    case Reason::kFolderUnreadable:
      return text::FormatText(Text(TextId::kFolderUnreadable), {n.subject});
    case Reason::kRefusedRoot:
      return text::FormatText(Text(TextId::kRefusedRoot), {n.subject});
    case Reason::kRefusedDots:
      return text::FormatText(Text(TextId::kRefusedDots), {n.subject});
    case Reason::kNotAdded:
      return text::FormatText(Text(TextId::kNotAdded), {n.subject});
    case Reason::kInMemory:
      return text::FormatText(Text(TextId::kInMemory), {n.subject, n.second});
    case Reason::kLeftoversRemoved:
      return text::FormatText(Text(TextId::kLeftoversRemoved), {n.count});
    case Reason::kInUseByFill:
      return text::FormatText(Text(TextId::kInUseByFill), {n.subject});
    case Reason::kFillFile:
      return "File:" + n.subject;
    case Reason::kSlackNotScrubbed:
      return text::FormatText(Text(TextId::kSlackNotScrubbedRow), {n.subject, reason});
    case Reason::kSyncFailed:
      return text::FormatText(Text(TextId::kSyncFailedRow), {n.subject, reason});
    case Reason::kJournalNotCleared:
      return text::FormatText(Text(TextId::kJournalNotClearedRow), {n.subject, reason});
    case Reason::kFillFailed:
      if (n.subject.empty()) return reason;
      return text::FormatText(Text(TextId::kFillFailedRow), {n.subject, reason});
    case Reason::kStateFolderRefused:
      return text::FormatText(Text(TextId::kStateFolderRefused), {n.subject, n.detail});
    case Reason::kFillFolderChanged:
      return text::FormatText(Text(TextId::kFillFolderChanged), {n.subject});
    case Reason::kEraseFinished:
      return text::FormatText(Text(TextId::kEraseFinished), {n.count});
    case Reason::kPartlyOverwritten:
      return text::FormatText(Text(TextId::kPartlyOverwritten), {n.subject});
    case Reason::kEraseFolderChanged:
      return text::FormatText(Text(TextId::kEraseFolderChanged), {n.subject});
    case Reason::kLogKeepsNames:
      return text::FormatText(Text(TextId::kLogKeepsNames), {n.subject, n.second});
    case Reason::kLockHeld:
      return text::FormatText(Text(TextId::kLockHeld), {n.subject, n.count});
    case Reason::kAttributesMayRemain:
      return Text(TextId::kAttributesMayRemain);
    case Reason::kReserveRestored:
      return text::FormatText(Text(TextId::kReserveRestored), {n.subject, n.second});
    default:
      return reason;
  }
}

struct RowMaker {
  Front front;
  std::vector<EventRow>& rows;

  void Add(std::string_view code, std::string text, MessageIcon icon) {
    rows.push_back({code, std::move(text), icon});
  }
  void operator()(const job::JobStarted& e) {
    Add("start", Text(TextId::kStart), MessageIcon::kInfo);
    Add("delay", text::FormatText(Text(TextId::kDelayFormat), {e.delay_seconds}),
        MessageIcon::kInfo);
    if (e.passes < e.passes_asked) {
      Add("passes_limited",
          text::FormatText(Text(TextId::kPassesLimited), {e.passes, e.passes_asked}),
          MessageIcon::kWarning);
    }
  }
  void operator()(const job::CountdownTick& e) {
    const TextId id =
        front == Front::kWindow ? TextId::kWindowCountdown : TextId::kTerminalCountdown;
    Add("countdown", text::FormatText(Text(id), {e.seconds_left}), MessageIcon::kInfo);
  }
  void operator()(const job::ErasingStarted& e) {
    Add("erasing",
        Text(front == Front::kWindow ? TextId::kErasingWindow : TextId::kErasingTerminal),
        MessageIcon::kInfo);
    Add("total", Text(TextId::kTotal) + " " + items::FormatSize(e.total_bytes), MessageIcon::kInfo);
  }
  void operator()(const job::ItemResult& e) {
    if (e.outcome == job::Outcome::kErased) return;
    if (e.reason == Reason::kStopped || e.reason == Reason::kAborted) return;
    // Left alone on purpose (a FIFO, a device) is a warning; a failure an error.
    const MessageIcon icon =
        e.outcome == job::Outcome::kSkipped ? MessageIcon::kWarning : MessageIcon::kError;
    Add(job::ReasonCode(e.reason), ItemText(e), icon);
  }
  void operator()(const job::Notice& e) {
    Add(job::ReasonCode(e.reason), NoticeText(e), IconOf(e.severity));
  }
  void operator()(const job::JobEnded& e) {
    if (e.aborted) {
      Add("aborted", Text(TextId::kAbort), MessageIcon::kWarning);
    } else if (e.stopped) {
      Add("stopped", text::FormatText(Text(TextId::kStopped), {e.erased, e.not_erased}),
          MessageIcon::kWarning);
    } else {
      // The errors have their own rows; this one only sums up.
      Add("finished", text::FormatText(Text(TextId::kFinished), {e.erased, e.errors}),
          e.errors == 0 ? MessageIcon::kInfo : MessageIcon::kWarning);
    }
  }
  void operator()(const job::FillCovered& e) {
    if (e.free_bytes != UINT64_MAX) {
      Add("written",
          text::FormatText(Text(TextId::kWritten),
                           {items::FormatSize(e.written_bytes), items::FormatSize(e.free_bytes)}),
          MessageIcon::kInfo);
    }
    if (e.held_back_bytes > 0) {
      Add("held_back",
          text::FormatText(Text(TextId::kHeldBack), {items::FormatSize(e.held_back_bytes)}),
          MessageIcon::kInfo);
    }
  }
  void operator()(const job::RecordPassPlanned& e) {
    Add("record_pass_planned",
        text::FormatText(Text(TextId::kRecordPassPlanned), {e.free_records, e.seconds}),
        MessageIcon::kInfo);
  }
  void operator()(const job::RecordsWritten& e) {
    if (e.final) Add("records_written", RecordsWrittenText(e.records), MessageIcon::kInfo);
  }
  void operator()(const job::FillEnded& e) {
    Add(e.stopped ? "fill_stopped" : "fill_finished",
        text::FormatText(Text(e.stopped ? TextId::kFillStopped : TextId::kFillFinished),
                         {e.errors}),
        e.errors > 0 || e.stopped ? MessageIcon::kWarning : MessageIcon::kInfo);
  }
  void operator()(const job::Progress&) {}
  void operator()(const job::ScanProgress&) {}
  void operator()(const job::ListChanged&) {}
  void operator()(const job::FillStarted& e) {
    // The terminal names the volume in a line of its own before it asks.
    if (front != Front::kWindow) return;
    const std::string volume = e.fs_type.empty() ? e.volume : e.volume + " (" + e.fs_type + ")";
    const std::string amount = e.free_bytes == UINT64_MAX ? "?" : items::FormatSize(e.free_bytes);
    Add("fill_started", text::FormatText(Text(TextId::kFillStartedRow), {volume, amount}),
        MessageIcon::kInfo);
  }
};

void ShowProgress(const job::Progress& p, core::WindowPort& port) {
  const std::string percentage = FormatOneDecimal(p.percentage);
  const std::string line_b = percentage + " % " + items::FormatSize(p.done) + " " +
                             Text(TextId::kOf) + " " + items::FormatSize(p.total);
  const std::string remaining_part =
      p.final ? std::string()
              : Text(TextId::kRemaining) + ": " + FormatDuration(p.remaining_seconds) + " || ";
  port.SetInstructionText(remaining_part + Text(TextId::kElapsed) + ": " +
                          FormatDuration(p.elapsed_seconds) + "\n" + line_b);
  port.SetStatusText(line_b);
  port.SetTitle("[" + percentage + " %] " + text::AboutUtf8(text::AboutId::kProductAndVersion));
  port.SetProgress(p.percentage);
}

}  // namespace

std::vector<EventRow> RowsOf(const job::Event& event, Front front) {
  std::vector<EventRow> rows;
  std::visit(RowMaker{front, rows}, event);
  return rows;
}

void ShowEvent(const job::Event& event, Front front, core::WindowPort& port) {
  if (const auto* progress = std::get_if<job::Progress>(&event)) {
    ShowProgress(*progress, port);
    return;
  }
  if (const auto* list = std::get_if<job::ListChanged>(&event)) {
    port.ItemRowsChanged(list->rows);
    // After a reset no count is left to show.
    port.SetStatusText(list->reset ? Text(TextId::kReady)
                                   : Text(TextId::kReady) + " // " +
                                         ItemsSummaryText(list->rows, list->total_bytes));
    return;
  }
  if (const auto* records = std::get_if<job::RecordsWritten>(&event); records && !records->final) {
    port.SetStatusText(RecordsWrittenText(records->records));
    return;
  }
  if (const auto* tick = std::get_if<job::CountdownTick>(&event); tick && front == Front::kWindow) {
    port.SetStatusText(text::FormatText(Text(TextId::kCountdownStatus), {tick->seconds_left}));
  }
  if (const auto* scan = std::get_if<job::ScanProgress>(&event)) {
    port.SetStatusText(Text(TextId::kItems) + ":" + std::to_string(scan->entries));
    return;
  }
  if (const auto* ended = std::get_if<job::JobEnded>(&event)) {
    port.SetProgress(-1);
    if (!ended->aborted) {
      port.SetTitle(Text(TextId::kProductName));
      port.SetStatusText(EndStatusText(*ended));
    }
  }
  for (const EventRow& row : RowsOf(event, front)) port.InsertMessage(row.text, row.icon);
  if (std::holds_alternative<job::FillEnded>(event)) {
    port.SetProgress(-1);
    port.SetInstructionText(Text(TextId::kInstructions));
    port.SetTitle(text::AboutUtf8(text::AboutId::kProductAndVersion));
  }
}

std::string ErrorReasonText(int error_code, std::string_view detail) {
  if (const std::optional<TextId> id = ReasonId(error_code)) return Text(*id);
  return std::string(detail);
}

std::string EndStatusText(const job::JobEnded& ended) {
  return FormatOneDecimal(ended.percentage) + " % // " + Text(TextId::kError) + ": " +
         std::to_string(ended.errors) + " ";
}

std::string FormatOneDecimal(double value) {
  char buffer[64];
  // snprintf uses the "C" locale here: the process never calls setlocale.
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

std::string FormatDuration(double x) {
  const std::string minutes = Text(TextId::kMinutes);
  const std::string seconds = Text(TextId::kSeconds);
  if (std::isnan(x) || x * (1.0 / 60) >= static_cast<double>(INT_MAX) + 1.0) {
    return "> " + std::to_string(INT_MAX) + " " + minutes;
  }
  const int s = static_cast<int>(std::fmod(x, 60.0));
  if (x >= 60) {
    const int m = static_cast<int>(x * (1.0 / 60));
    return std::to_string(m) + " " + minutes + ", " + std::to_string(s) + " " + seconds;
  }
  if (s >= 1) return std::to_string(s) + " " + seconds;
  return "< 1 " + seconds;
}

std::string RecordsWrittenText(uint64_t records) {
  return text::FormatText(Text(TextId::kRecordsWritten), {records});
}

std::string ItemsSummaryText(int rows, uint64_t total_bytes) {
  return Text(TextId::kItems) + ":" + std::to_string(rows) + " " + items::FormatSize(total_bytes);
}

}  // namespace tarnwell::ui
