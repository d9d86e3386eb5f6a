// The one worker thread the window may have at a time (erase job, free-space
// fill or folder import). The window never waits for it while open; at the
// end of the run the owner waits a bounded time for it to finish.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tarnwell::ui {

class WorkerSlot {
 public:
  WorkerSlot() = default;
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;
  // Joins a finished worker. REQUIRES: Running() is false (else the process
  // must end without destroying the slot).
  virtual ~WorkerSlot();

  // Starts work on a new thread. False when a worker still runs or the thread
  // could not be created; work has not run then.
  virtual bool Start(std::function<void()> work);
  // True from a successful Start until work has returned.
  bool Running() const { return running_.load(); }
  // Calls wait_step (which should process the UI thread's events and pause
  // briefly) until the worker has finished or timeout_ms have passed; true
  // when it finished (and was joined).
  bool WaitForEnd(int timeout_ms, const std::function<void()>& wait_step);

 private:
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace tarnwell::ui
