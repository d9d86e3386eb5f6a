// The one translator of job events into what people read: catalogue rows in
// the current language, and the progress, status and title texts of the
// window. The window's logic and tarnwell-cli's terminal output both use it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/window_port.h"
#include "job/event_sink.h"
#include "job/events.h"

namespace tarnwell::ui {

// Which key a countdown and erasing row names: the window's Escape or the
// terminal's Ctrl+C.
enum class Front { kWindow, kTerminal };

// One message row an event adds; code is its stable name for JSON.
struct EventRow {
  std::string_view code;
  std::string text;
  core::MessageIcon icon = core::MessageIcon::kInfo;
};

// The message rows of event in the current language, in the order shown
// (none for progress, list and scan events, and for items erased or not
// reached).
std::vector<EventRow> RowsOf(const job::Event& event, Front front);

// Shows event on port as the window does: its rows, and for progress, list,
// scan, record pass and end events the instruction, status and title texts.
void ShowEvent(const job::Event& event, Front front, core::WindowPort& port);

// A sink that shows every event on a port (the window's worker port).
class PortEvents final : public job::EventSink {
 public:
  PortEvents(core::WindowPort& port, Front front) : port_(port), front_(front) {}
  void Report(const job::Event& event) override { ShowEvent(event, front_, port_); }

 private:
  core::WindowPort& port_;
  Front front_;
};

// The catalogue's words for error_code in the current language: access
// denied, not permitted, in use, not found, read-only file system, no
// space, I/O error, too long, and the safe walk's refusals (another object
// under the name, a link, no folder). detail, the system's own text, for
// any other code.
std::string ErrorReasonText(int error_code, std::string_view detail);

// The status line at the end of an erase: "<share> % // Error: <errors> ".
std::string EndStatusText(const job::JobEnded& ended);

// A duration in the current language: "121 min., 5 sec.", "42 sec.", "< 1 sec."
// (no hour unit). Minutes beyond the 32-bit range, infinities and NaN give
// "> 2147483647 min.".
std::string FormatDuration(double seconds);

// A value with one decimal and a point, independent of the process locale.
std::string FormatOneDecimal(double value);

// "File records overwritten with small files: <records>" in the current
// language: the record pass's status while it runs, and its final row.
std::string RecordsWrittenText(uint64_t records);

// "Items:<rows> <total size>" in the current language.
std::string ItemsSummaryText(int rows, uint64_t total_bytes);

}  // namespace tarnwell::ui
