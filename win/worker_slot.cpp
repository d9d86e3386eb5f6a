// std::thread reports a failed start as std::system_error; the window turns
// the false result into an error row and enables its buttons again.
#include "win/worker_slot.h"

#include <chrono>
#include <system_error>

#include "win/windows_ui.h"

namespace tarnwell::win {

WorkerSlot::~WorkerSlot() {
  if (thread_.joinable()) thread_.join();
}

bool WorkerSlot::Start(std::function<void()> work) {
  if (running_.load()) return false;
  if (thread_.joinable()) thread_.join();
  running_.store(true);
  try {
    thread_ = std::thread([this, work = std::move(work)] {
      work();
      running_.store(false);
    });
  } catch (const std::system_error&) {
    running_.store(false);
    return false;
  }
  return true;
}

bool WorkerSlot::WaitForEnd(int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (running_.load()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    // Sent messages are handled inside the wait; posted ones are dropped.
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

}  // namespace tarnwell::win
