// The window interface handed to workers. Each call is sent to the window
// (SendMessage), so it runs on the UI thread while the worker waits and
// workers never touch a control; on the UI thread itself a call runs
// directly. After Detach() (the window is closing) every call is dropped, so
// a worker that outlives the window never reaches it.
#pragma once

#include <functional>

#include "ui/worker_port.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

class WinWindowPort final : public ui::WorkerPort {
 public:
  // The window message that carries a call; its LPARAM is the call.
  static constexpr UINT kCallMessage = WM_APP + 1;

  // ui_side does the work and is used on the constructing (UI) thread only;
  // window receives kCallMessage and hands it to RunSentCall.
  WinWindowPort(core::WindowPort& ui_side, HWND window);

  // The window procedure's part: runs the call of a kCallMessage.
  void RunSentCall(LPARAM call);

 private:
  void RunOnUiThread(const std::function<void()>& call) override;

  HWND window_;
  DWORD ui_thread_;
};

}  // namespace tarnwell::win
