#include "job/progress_reporter.h"

#include <algorithm>
#include <cmath>

namespace tarnwell::job {

double FinalPercentage(uint64_t done, uint64_t total, bool complete) {
  if (complete) return 100.0;
  if (total == 0) return 0.0;
  const double tenths = std::floor(static_cast<double>(done) * 1000.0 / static_cast<double>(total));
  return std::min(999.0, tenths) / 10.0;
}

void ProgressReporter::Start() {
  start_ticks_ = env_.MonotonicMillis();
  last_update_ticks_ = start_ticks_;
}

void ProgressReporter::ReportProgress(uint64_t done, uint64_t total) {
  const int64_t now = env_.MonotonicMillis();
  if (now <= last_update_ticks_ + kRedrawIntervalMs) return;
  last_update_ticks_ = now;

  const double ratio = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const double elapsed = static_cast<double>(now - start_ticks_) * 0.001;
  // Nothing done yet: the remaining time is unbounded and shows capped.
  const double remaining = ratio > 0 ? elapsed / ratio * (1 - ratio) : INFINITY;
  sink_.Report(Progress{done, total, ratio * 100, elapsed, remaining, false});
}

void ProgressReporter::ReportFinal(uint64_t done, uint64_t total, bool complete) {
  const int64_t now = env_.MonotonicMillis();
  last_update_ticks_ = now;
  sink_.Report(Progress{done, total, FinalPercentage(done, total, complete),
                        static_cast<double>(now - start_ticks_) * 0.001, 0, true});
}

}  // namespace tarnwell::job
