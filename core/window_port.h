// What the window logic may do to a window. The window logic (ui/), the
// worker port that carries its calls from a worker thread, and the terminal
// ports of tarnwell-cli implement it; the jobs never call it, they report
// events that ui/event_texts.h shows here. Every call is synchronous: when it
// returns, the window has done it. Texts are UTF-8; a path that is not valid
// UTF-8 is passed as it is and shown with replacement characters.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::core {

enum class MessageIcon { kInfo = 0, kError = 1, kWarning = 2 };

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // Puts a row at the top of the message list (newest first).
  virtual void InsertMessage(std::string_view text, MessageIcon icon) = 0;
  virtual void SetStatusText(std::string_view text) = 0;
  virtual void SetTitle(std::string_view text) = 0;
  // The two-line text of the group box at the top ("\n" between the lines).
  virtual void SetInstructionText(std::string_view text) = 0;
  // Disables (true) or enables the commands that start work.
  virtual void SetBusy(bool busy) = 0;
  // The item list's rows changed (count and contents); the view repaints.
  virtual void ItemRowsChanged(int row_count) = 0;
  // The Cancel command, as Escape or the close box would send it (after
  // Delete + Exit's erase).
  virtual void SendCancel() = 0;
  // The running job's share done, 0..100, for screen readers and the
  // taskbar; negative once no job runs. Ports without such a display
  // ignore it.
  virtual void SetProgress(double /*percent*/) {}
};

}  // namespace tarnwell::core
