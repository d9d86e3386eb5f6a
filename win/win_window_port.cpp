// SendMessage is the hand-over: it returns only after the window procedure
// has run the call, and the system orders memory across it.
#include "win/win_window_port.h"

namespace tarnwell::win {

WinWindowPort::WinWindowPort(core::WindowPort& ui_side, HWND window)
    : ui_side_(ui_side), window_(window), ui_thread_(GetCurrentThreadId()) {}

void WinWindowPort::RunOnUiThread(const std::function<void()>& call) {
  if (detached_.load()) return;
  if (GetCurrentThreadId() == ui_thread_) {
    call();
    return;
  }
  // A window destroyed meanwhile makes this return 0 without running it.
  SendMessageW(window_, kCallMessage, 0, reinterpret_cast<LPARAM>(&call));
}

void WinWindowPort::RunSentCall(LPARAM call) {
  if (detached_.load()) return;
  (*reinterpret_cast<const std::function<void()>*>(call))();
}

void WinWindowPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  RunOnUiThread([&] { ui_side_.InsertMessage(text, icon); });
}

void WinWindowPort::SetStatusText(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetStatusText(text); });
}

void WinWindowPort::SetTitle(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetTitle(text); });
}

void WinWindowPort::SetInstructionText(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetInstructionText(text); });
}

void WinWindowPort::SetBusy(bool busy) {
  RunOnUiThread([&] { ui_side_.SetBusy(busy); });
}

std::string WinWindowPort::UpdateOptionLabels() {
  std::string label;
  RunOnUiThread([&] { label = ui_side_.UpdateOptionLabels(); });
  return label;
}

void WinWindowPort::ItemRowsChanged(int row_count) {
  RunOnUiThread([&] { ui_side_.ItemRowsChanged(row_count); });
}

void WinWindowPort::SendCancel() {
  RunOnUiThread([&] { ui_side_.SendCancel(); });
}

}  // namespace tarnwell::win
