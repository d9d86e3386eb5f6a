// The window interface handed to workers. Each call is carried out on the UI
// thread while the calling worker waits, so workers never touch a widget; on
// the UI thread itself a call runs directly. After Detach() (the window has
// closed) every call is dropped, so a worker that outlives the window never
// reaches it.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "core/window_port.h"
#include "ui/worker_port.h"

namespace tarnwell::app {

// Runs the one pending call on the UI thread; the slot is invoked with a
// blocking queued connection from the worker.
class UiCallReceiver final : public QObject {
  Q_OBJECT

 public:
  explicit UiCallReceiver(std::function<void()> run_pending)
      : run_pending_(std::move(run_pending)) {}

 public slots:
  void RunPending() { run_pending_(); }

 private:
  std::function<void()> run_pending_;
};

class QtWindowPort final : public ui::WorkerPort {
 public:
  // ui_side does the work and must only be used on the thread that constructs
  // this port (the UI thread); it must outlive the port or Detach() must have
  // been called.
  explicit QtWindowPort(core::WindowPort& ui_side);

  // Detach() (UI thread only) drops every later call.

 private:
  void RunOnUiThread(const std::function<void()>& call) override;
  void RunPending();

  UiCallReceiver receiver_;
  // Workers take their turn here, so there is one pending call at a time.
  std::mutex worker_turn_;
  // Guards pending_ and orders the worker's arguments before the UI thread's
  // use and the UI thread's results before the worker's reading; Qt's own
  // hand-over is invisible to the thread sanitizer.
  std::mutex handoff_;
  const std::function<void()>* pending_ = nullptr;
};

}  // namespace tarnwell::app
