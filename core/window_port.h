// What the logic may do to a window. The Qt window and the terminal of
// tarnwell-cli implement it; the erase job, the fill and the folder scan call
// it from their worker thread. Every call is synchronous: when it returns, the
// window has done it. Texts are UTF-8; a path that is not valid UTF-8 is passed
// as it is and shown with replacement characters.
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
  // Rereads "re_write" and "del_delay", relabels the option buttons, stores
  // the clamped delay in the run state and returns the delay label.
  virtual std::string UpdateOptionLabels() = 0;
  // The item list's rows changed (count and contents); the view repaints.
  virtual void ItemRowsChanged(int row_count) = 0;
  // The Cancel command, as Escape or the close box would send it.
  virtual void SendCancel() = 0;
};

}  // namespace tarnwell::core
