// The one worker thread the window may have at a time (erase job, free-space
// fill or folder import). The window never waits for it while open; at the
// end of the run it waits a bounded time, keeping its messages flowing.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace tarnwell::win {

class WorkerSlot final {
 public:
  WorkerSlot() = default;
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;
  // REQUIRES: Running() is false (else the process must end without
  // destroying the slot).
  ~WorkerSlot();

  // Starts work on a new thread. False when a worker still runs or no thread
  // could be made; work has not run then.
  bool Start(std::function<void()> work);
  bool Running() const { return running_.load(); }
  // Handles the thread's window messages (so a worker's sent call is not
  // left waiting) until the worker ended or timeout_ms passed; true when it
  // ended.
  bool WaitForEnd(int timeout_ms);

 private:
  std::thread thread_;
  std::atomic<bool> running_{false};
};

}  // namespace tarnwell::win
