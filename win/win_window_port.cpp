// SendMessage is the hand-over: it returns only after the window procedure
// has run the call, and the system orders memory across it.
#include "win/win_window_port.h"

namespace tarnwell::win {

WinWindowPort::WinWindowPort(core::WindowPort& ui_side, HWND window)
    : WorkerPort(ui_side), window_(window), ui_thread_(GetCurrentThreadId()) {}

void WinWindowPort::RunOnUiThread(const std::function<void()>& call) {
  if (GetCurrentThreadId() == ui_thread_) {
    call();
    return;
  }
  // A window destroyed meanwhile makes this return 0 without running it.
  SendMessageW(window_, kCallMessage, 0, reinterpret_cast<LPARAM>(&call));
}

void WinWindowPort::RunSentCall(LPARAM call) {
  if (detached()) return;
  (*reinterpret_cast<const std::function<void()>*>(call))();
}

}  // namespace tarnwell::win
