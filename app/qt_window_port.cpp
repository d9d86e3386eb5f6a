// Worker -> UI thread hand-over with a blocking queued slot call.
#include "app/qt_window_port.h"

#include <QCoreApplication>
#include <QThread>

namespace tarnwell::app {

QtWindowPort::QtWindowPort(core::WindowPort& ui_side)
    : ui_side_(ui_side), receiver_([this] { RunPending(); }) {}

void QtWindowPort::Detach() { detached_.store(true); }

void QtWindowPort::RunOnUiThread(const std::function<void()>& call) {
  if (detached_.load()) return;
  if (QThread::currentThread() == receiver_.thread()) {
    call();
    return;
  }
  std::lock_guard turn(worker_turn_);
  {
    std::lock_guard lock(handoff_);
    pending_ = &call;
  }
  QMetaObject::invokeMethod(&receiver_, "RunPending", Qt::BlockingQueuedConnection);
  std::lock_guard lock(handoff_);
  pending_ = nullptr;
}

void QtWindowPort::RunPending() {
  const std::function<void()>* call = nullptr;
  {
    std::lock_guard lock(handoff_);
    call = pending_;
  }
  if (call != nullptr && !detached_.load()) (*call)();
  std::lock_guard lock(handoff_);  // publishes the call's results to the worker
}

void QtWindowPort::InsertMessage(std::string_view text, core::MessageIcon icon) {
  RunOnUiThread([&] { ui_side_.InsertMessage(text, icon); });
}

void QtWindowPort::SetStatusText(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetStatusText(text); });
}

void QtWindowPort::SetTitle(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetTitle(text); });
}

void QtWindowPort::SetInstructionText(std::string_view text) {
  RunOnUiThread([&] { ui_side_.SetInstructionText(text); });
}

void QtWindowPort::SetBusy(bool busy) {
  RunOnUiThread([&] { ui_side_.SetBusy(busy); });
}

std::string QtWindowPort::UpdateOptionLabels() {
  std::string label;
  RunOnUiThread([&] { label = ui_side_.UpdateOptionLabels(); });
  return label;
}

void QtWindowPort::ItemRowsChanged(int row_count) {
  RunOnUiThread([&] { ui_side_.ItemRowsChanged(row_count); });
}

void QtWindowPort::SendCancel() {
  RunOnUiThread([&] { ui_side_.SendCancel(); });
}

}  // namespace tarnwell::app
