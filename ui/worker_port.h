// The window interface workers get. A toolkit implements it (the Qt window
// with blocking queued calls, the Win32 window with SendMessage): each call
// is carried out on the UI thread by ui_side while the calling worker waits,
// and on the UI thread itself it runs directly.
#pragma once

#include <functional>
#include <memory>

#include "core/window_port.h"

namespace tarnwell::ui {

class WorkerPort : public core::WindowPort {
 public:
  // UI thread only. From now on every call returns at once without reaching
  // the window (UpdateOptionLabels returns an empty text), so a worker that
  // outlives the window never touches it.
  virtual void Detach() = 0;
};

// Makes the worker port over ui_side (the window logic), on the UI thread.
using WorkerPortFactory = std::function<std::unique_ptr<WorkerPort>(core::WindowPort& ui_side)>;

}  // namespace tarnwell::ui
