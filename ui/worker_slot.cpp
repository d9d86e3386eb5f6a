// std::thread reports a failed start as std::system_error; it is turned into
// a false result here so the window can say so and re-enable its buttons.
#include "ui/worker_slot.h"

#include <chrono>
#include <system_error>

namespace tarnwell::ui {

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

bool WorkerSlot::WaitForEnd(int timeout_ms, const std::function<void()>& wait_step) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (running_.load()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    wait_step();
  }
  if (thread_.joinable()) thread_.join();
  return true;
}

}  // namespace tarnwell::ui
