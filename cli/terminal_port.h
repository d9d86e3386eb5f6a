// A WindowPort for a terminal: message rows become lines (errors and warnings
// on the error stream), and progress becomes a bar with percentage, rate and
// remaining time on a terminal, or a plain line every tenth otherwise.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <string_view>

#include "core/window_port.h"
#include "erase/progress_reporter.h"

namespace tarnwell::cli {

class TerminalPort final : public core::WindowPort {
 public:
  // out takes information rows and progress, err the error and warning rows.
  // interactive draws a bar that rewrites one line of width columns.
  TerminalPort(std::ostream& out, std::ostream& err, bool interactive, int columns);

  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view) override {}
  void SetInstructionText(std::string_view) override {}
  void SetBusy(bool) override {}
  // Returns the label set by set_option_label (the window's delay label).
  std::string UpdateOptionLabels() override;
  void ItemRowsChanged(int) override {}
  void SendCancel() override {}

  void set_option_label(std::string label);
  // The last status text set.
  std::string status_text() const;

  // Draws one progress redraw.
  void ShowProgress(const erase::ProgressSnapshot& snapshot);
  // Ends a bar that is still on screen, so the next line starts clean.
  void EndProgress();

  // The bar line for a snapshot, without the carriage return; exposed for tests.
  static std::string ProgressLine(const erase::ProgressSnapshot& snapshot, int columns);

 private:
  void ClearBarLocked();

  std::ostream& out_;
  std::ostream& err_;
  const bool interactive_;
  const int columns_;
  mutable std::mutex mutex_;
  std::string option_label_;
  std::string status_text_;
  bool bar_shown_ = false;
  int last_tenth_ = -1;
};

}  // namespace tarnwell::cli
