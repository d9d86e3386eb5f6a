// The flags the window and the one running worker share. Each is read and
// written atomically without a lock; there is no other shared state.
#pragma once

#include <atomic>

namespace tarnwell::core {

struct RunState {
  // An erase job runs: from its start, countdown included, to its end.
  std::atomic<bool> erase_running{false};
  // The running erase was asked to stop (Cancel, Ctrl+C): in its countdown
  // it aborts untouched, after it the job ends before the next item.
  std::atomic<bool> stop_asked{false};
  // The running erase was started by Delete + Exit.
  std::atomic<bool> exit_after_erase{false};
  // The free-space fill runs; cleared to stop it.
  std::atomic<bool> fill_running{false};
  // The running erase is past its countdown: a stop then takes effect at the
  // next item, and Cancel asks before asking it.
  std::atomic<bool> erasing{false};
  // The window shows a menu or a box (a count: they may nest). The countdown
  // does not run out meanwhile, so Escape always gets its chance.
  std::atomic<int> window_modal{0};
  // The stop question is open: the erase waits before its next item and the
  // fill before its next write until it is answered.
  std::atomic<bool> pause_asked{false};
  // Start delay of the erase job, seconds, 0..10.
  std::atomic<int> delete_delay_seconds{5};
};

}  // namespace tarnwell::core
