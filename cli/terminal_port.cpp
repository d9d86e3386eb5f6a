#include "cli/terminal_port.h"

#include <algorithm>
#include <cmath>
#include <ostream>

#include "cli/shell_quote.h"
#include "items/format_size.h"
#include "ui/event_texts.h"

namespace tarnwell::cli {
namespace {

constexpr int kDefaultColumns = 80;
constexpr int kMinimumBarWidth = 10;

}  // namespace

TerminalPort::TerminalPort(std::ostream& out, std::ostream& err, bool interactive, int columns,
                           TerminalStreams terminals)
    : out_(out),
      err_(err),
      interactive_(interactive),
      columns_(columns > 0 ? columns : kDefaultColumns),
      terminals_(terminals) {}

void TerminalPort::ClearBarLocked() {
  if (!bar_shown_) return;
  out_ << "\r\x1b[K";
  bar_shown_ = false;
}

void TerminalPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  std::lock_guard lock(mutex_);
  ClearBarLocked();
  // Rows come finished, with the names inside; none holds a control byte on
  // purpose, so on a terminal every one is shown, not obeyed.
  const bool to_err = icon != core::MessageIcon::kInfo;
  const std::string row =
      (to_err ? terminals_.err : terminals_.out) ? TerminalSafe(text) : std::string(text);
  switch (icon) {
    case core::MessageIcon::kInfo:
      out_ << row << '\n' << std::flush;
      break;
    case core::MessageIcon::kWarning:
      out_ << std::flush;
      err_ << "warning: " << row << '\n' << std::flush;
      break;
    case core::MessageIcon::kError:
      out_ << std::flush;
      err_ << "error: " << row << '\n' << std::flush;
      break;
  }
}

std::string TerminalPort::ProgressLine(const job::Progress& s, int columns) {
  const double rate = s.elapsed_seconds > 0 ? static_cast<double>(s.done) / s.elapsed_seconds : 0;
  std::string numbers = " " + ui::FormatOneDecimal(s.percentage) + " %  " +
                        items::FormatSize(s.done) + " / " + items::FormatSize(s.total) + "  " +
                        items::FormatSize(static_cast<uint64_t>(rate)) + "/s  " +
                        ui::FormatDuration(s.remaining_seconds);
  const int width = std::max(kMinimumBarWidth, columns - 3 - static_cast<int>(numbers.size()));
  const double fraction = std::clamp(s.percentage / 100, 0.0, 1.0);
  const int filled = static_cast<int>(std::floor(fraction * width));
  return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]" + numbers;
}

void TerminalPort::Report(const job::Event& event) {
  ui::ShowEvent(event, ui::Front::kTerminal, *this);
  if (const auto* progress = std::get_if<job::Progress>(&event)) ShowProgress(*progress);
  // The record pass comes after the bar's 100 %: its count takes the bar's line.
  if (const auto* records = std::get_if<job::RecordsWritten>(&event);
      records && !records->final && interactive_) {
    std::lock_guard lock(mutex_);
    out_ << '\r' << ui::RecordsWrittenText(records->records) << "\x1b[K" << std::flush;
    bar_shown_ = true;
  }
}

void TerminalPort::ShowProgress(const job::Progress& snapshot) {
  std::lock_guard lock(mutex_);
  if (interactive_) {
    out_ << '\r' << ProgressLine(snapshot, columns_) << "\x1b[K" << std::flush;
    bar_shown_ = true;
    return;
  }
  // A log gets one line per tenth, not ten lines a second.
  const int tenth = static_cast<int>(std::clamp(snapshot.percentage, 0.0, 100.0) / 10);
  if (tenth == last_tenth_) return;
  last_tenth_ = tenth;
  out_ << ProgressLine(snapshot, kDefaultColumns) << '\n' << std::flush;
}

void TerminalPort::EndProgress() {
  std::lock_guard lock(mutex_);
  if (bar_shown_) out_ << '\n' << std::flush;
  bar_shown_ = false;
}

}  // namespace tarnwell::cli
