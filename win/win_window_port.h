// The window interface handed to workers. Each call is sent to the window
// (SendMessage), so it runs on the UI thread while the worker waits and
// workers never touch a control; on the UI thread itself a call runs
// directly. After Detach() (the window is closing) every call is dropped, so
// a worker that outlives the window never reaches it.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

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

  void Detach() override { detached_.store(true); }
  // The window procedure's part: runs the call of a kCallMessage.
  void RunSentCall(LPARAM call);

  void InsertMessage(std::string_view text, core::MessageIcon icon) override;
  void SetStatusText(std::string_view text) override;
  void SetTitle(std::string_view text) override;
  void SetInstructionText(std::string_view text) override;
  void SetBusy(bool busy) override;
  std::string UpdateOptionLabels() override;
  void ItemRowsChanged(int row_count) override;
  void SendCancel() override;

 private:
  // Runs call on the UI thread and returns when it is done (or dropped).
  void RunOnUiThread(const std::function<void()>& call);

  core::WindowPort& ui_side_;
  HWND window_;
  DWORD ui_thread_;
  std::atomic<bool> detached_{false};
};

}  // namespace tarnwell::win
