// The window interface workers get. Each call is carried out on the UI thread
// by ui_side while the calling worker waits, and on the UI thread itself it
// runs directly. A toolkit supplies only the hand-over (the Qt window with
// blocking queued calls, the Win32 window with SendMessage).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "core/window_port.h"

namespace tarnwell::ui {

class WorkerPort : public core::WindowPort {
 public:
  // ui_side does the work and is used on the UI thread only; it must outlive
  // the port or Detach() must have been called.
  explicit WorkerPort(core::WindowPort& ui_side) : ui_side_(ui_side) {}

  // UI thread only. From now on every call returns at once without reaching
  // the window, so a worker that outlives the window never touches it.
  void Detach() { detached_.store(true); }
  bool detached() const { return detached_.load(); }

  void InsertMessage(std::string_view text, core::MessageIcon icon) final;
  void SetStatusText(std::string_view text) final;
  void SetTitle(std::string_view text) final;
  void SetInstructionText(std::string_view text) final;
  void SetBusy(bool busy) final;
  void ItemRowsChanged(int row_count) final;
  void SendCancel() final;
  void SetProgress(double percent) final;

 protected:
  // Runs call on the UI thread and returns when it is done (or dropped). Not
  // called once detached; a hand-over already under way checks detached().
  virtual void RunOnUiThread(const std::function<void()>& call) = 0;

 private:
  void Forward(const std::function<void()>& call) {
    if (!detached()) RunOnUiThread(call);
  }

  core::WindowPort& ui_side_;
  std::atomic<bool> detached_{false};
};

inline void WorkerPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  Forward([&] { ui_side_.InsertMessage(text, icon); });
}
inline void WorkerPort::SetStatusText(std::string_view text) {
  Forward([&] { ui_side_.SetStatusText(text); });
}
inline void WorkerPort::SetTitle(std::string_view text) {
  Forward([&] { ui_side_.SetTitle(text); });
}
inline void WorkerPort::SetInstructionText(std::string_view text) {
  Forward([&] { ui_side_.SetInstructionText(text); });
}
inline void WorkerPort::SetBusy(bool busy) {
  Forward([&] { ui_side_.SetBusy(busy); });
}
inline void WorkerPort::ItemRowsChanged(int row_count) {
  Forward([&] { ui_side_.ItemRowsChanged(row_count); });
}
inline void WorkerPort::SendCancel() {
  Forward([&] { ui_side_.SendCancel(); });
}
inline void WorkerPort::SetProgress(double percent) {
  Forward([&] { ui_side_.SetProgress(percent); });
}

// Makes the worker port over ui_side (the window logic), on the UI thread.
using WorkerPortFactory = std::function<std::unique_ptr<WorkerPort>(core::WindowPort& ui_side)>;

}  // namespace tarnwell::ui
