// Worker -> UI thread hand-over with a blocking queued slot call.
#include "app/qt_window_port.h"

#include <QCoreApplication>
#include <QThread>

namespace tarnwell::app {

QtWindowPort::QtWindowPort(core::WindowPort& ui_side)
    : WorkerPort(ui_side), receiver_([this] { RunPending(); }) {}

void QtWindowPort::RunOnUiThread(const std::function<void()>& call) {
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
  if (call != nullptr && !detached()) (*call)();
  std::lock_guard lock(handoff_);  // publishes the call's results to the worker
}

}  // namespace tarnwell::app
