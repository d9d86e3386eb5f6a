// The port of a terminal: events become the window's rows in the current
// language (ui/event_texts.h), each a line (errors and warnings on the error
// stream), and progress becomes a bar with percentage, rate and remaining
// time on a terminal, or a plain line every tenth otherwise.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "cli/cli_port.h"

namespace tarnwell::cli {

// Which of the two streams is a terminal: rows written there are made inert
// (TerminalSafe), since a name inside one could otherwise rewrite the screen.
struct TerminalStreams {
  bool out = false;
  bool err = false;
};

class TerminalPort final : public CliPort {
 public:
  // out takes information rows and progress, err the error and warning rows.
  // interactive draws a bar that rewrites one line of width columns.
  TerminalPort(std::ostream& out, std::ostream& err, bool interactive, int columns,
               TerminalStreams terminals);

  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void Report(const job::Event& event) override;

  // Draws one progress redraw.
  void ShowProgress(const job::Progress& progress) override;
  // Ends a bar that is still on screen, so the next line starts clean.
  void EndProgress() override;

  // The bar line for a snapshot, without the carriage return; exposed for tests.
  static std::string ProgressLine(const job::Progress& progress, int columns);

 private:
  void ClearBarLocked();

  std::ostream& out_;
  std::ostream& err_;
  const bool interactive_;
  const int columns_;
  const TerminalStreams terminals_;
  bool bar_shown_ = false;
  int last_tenth_ = -1;
};

}  // namespace tarnwell::cli
