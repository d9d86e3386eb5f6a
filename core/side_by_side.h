// Work that may run on several threads at once, for the calls the file system
// serves in parallel (renames and deletes in different folders).
#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

namespace tarnwell::core {

// Runs every part and returns when all have ended: the first on the calling
// thread, each other on a thread of its own. The parts must not share
// anything they change. The first exception a part threw is rethrown here
// once every part has ended. Where no thread can be started, the parts left
// run one after the other on the calling thread.
inline void RunSideBySide(const std::vector<std::function<void()>>& parts) {
  if (parts.empty()) return;
  std::vector<std::exception_ptr> failures(parts.size());
  const auto run = [&](size_t i) {
    try {
      parts[i]();
    } catch (...) {
      failures[i] = std::current_exception();
    }
  };
  std::vector<std::thread> threads;
  size_t started = 1;
  for (; started < parts.size(); ++started) {
    try {
      threads.emplace_back(run, started);
    } catch (const std::system_error&) {
      break;
    }
  }
  run(0);
  for (std::thread& thread : threads) thread.join();
  for (size_t i = started; i < parts.size(); ++i) run(i);
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace tarnwell::core
