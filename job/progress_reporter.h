// How far a running erase or fill has come: percentage, bytes, elapsed and
// remaining time, reported as progress events a few times a second.
#pragma once

#include <cstdint>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::job {

// Redraws at most once per kRedrawIntervalMs; only the one running worker
// calls it, so it holds no lock.
class ProgressReporter final {
 public:
  static constexpr int64_t kRedrawIntervalMs = 100;

  ProgressReporter(platform::Env& env, EventSink& sink) : env_(env), sink_(sink) {}

  // Starts the clock: elapsed time counts from now, and the first redraw
  // comes no earlier than kRedrawIntervalMs from now.
  void Start();

  // Reports done of total unless the last report is at most kRedrawIntervalMs
  // old. A total of 0 counts as all done; done beyond total shows more than
  // 100 % and less than a second remaining.
  void ReportProgress(uint64_t done, uint64_t total);

  // Reports the end state whatever the time since the last redraw: the real
  // share of done in total (see FinalPercentage) and the elapsed time, with
  // no remaining time. The job's last redraw; REQUIRES: Start() was called.
  void ReportFinal(uint64_t done, uint64_t total, bool complete);

  int64_t start_ticks() const { return start_ticks_; }

 private:
  platform::Env& env_;
  EventSink& sink_;
  int64_t start_ticks_ = 0;
  int64_t last_update_ticks_ = 0;
};

// The share a finished job shows: 100 only when complete (all was done),
// otherwise done of total rounded down to one decimal and at most 99.9, so a
// job that missed something never reads as done. A total of 0 counts as
// nothing left to do.
double FinalPercentage(uint64_t done, uint64_t total, bool complete);

}  // namespace tarnwell::job
