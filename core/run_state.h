// The words the window and the one running worker share. Each is read and
// written atomically without a lock; there is no other shared state.
#pragma once

#include <atomic>

namespace tarnwell::core {

struct RunState {
  // 1: no erase job runs, or the running one was asked to stop.
  std::atomic<int> stopRequested{1};
  // 1: the running job was started by Delete + Exit.
  std::atomic<int> exitAfterErase{0};
  // 1: the free-space fill runs; cleared to stop it.
  std::atomic<int> fillRunning{0};
  // 1 while an erase job works on the items (after its countdown): a stop
  // then takes effect at the next item, and Cancel asks before asking it.
  std::atomic<int> erasing{0};
  // Start delay of the erase job, seconds, 0..10.
  std::atomic<int> deleteDelaySeconds{5};
};

}  // namespace tarnwell::core
