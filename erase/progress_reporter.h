// How far a running erase or fill has come: percentage, bytes, elapsed and
// remaining time, shown in the instruction text, the status bar and the title.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "core/window_port.h"
#include "platform/env.h"

namespace tarnwell::erase {

// The numbers behind one redraw, for front ends that draw their own bar.
struct ProgressSnapshot {
  uint64_t done = 0;
  uint64_t total = 0;
  double percentage = 0;
  double elapsed_seconds = 0;
  double remaining_seconds = 0;  // infinite while nothing is done
};
using ProgressListener = std::function<void(const ProgressSnapshot&)>;

// Redraws at most once per kRedrawIntervalMs; only the one running worker
// calls it, so it holds no lock.
class ProgressReporter final {
 public:
  static constexpr int64_t kRedrawIntervalMs = 100;

  // listener, when set, gets the numbers of every redraw after the texts.
  ProgressReporter(platform::Env& env, core::WindowPort& port, ProgressListener listener = {})
      : env_(env), port_(port), listener_(std::move(listener)) {}

  // Starts the clock: elapsed time counts from now, and the first redraw
  // comes no earlier than kRedrawIntervalMs from now.
  void Start();

  // Shows done of total unless the last redraw is at most kRedrawIntervalMs
  // old. A total of 0 counts as all done; done beyond total shows more than
  // 100 % and less than a second remaining.
  void ReportProgress(uint64_t done, uint64_t total);

  // Draws the end state whatever the time since the last redraw: the real
  // share of done in total (see FinalPercentage) and the elapsed time, with
  // no remaining time. The job's last redraw; REQUIRES: Start() was called.
  void ReportFinal(uint64_t done, uint64_t total, bool complete);

  int64_t start_ticks() const { return start_ticks_; }

 private:
  // One redraw; remaining_part ("Remaining: ... || ") leads the first line.
  void Draw(uint64_t done, uint64_t total, double percentage, const std::string& remaining_part,
            double elapsed, double remaining);

  platform::Env& env_;
  core::WindowPort& port_;
  ProgressListener listener_;
  int64_t start_ticks_ = 0;
  int64_t last_update_ticks_ = 0;
};

// A duration in the current language: "121 min., 5 sec.", "42 sec.", "< 1 sec."
// (no hour unit). Minutes beyond the 32-bit range, infinities and NaN give
// "> 2147483647 min.".
std::string FormatDuration(double seconds);

// The share a finished job shows: 100 only when complete (all was done),
// otherwise done of total rounded down to one decimal and at most 99.9, so a
// job that missed something never reads as done. A total of 0 counts as
// nothing left to do.
double FinalPercentage(uint64_t done, uint64_t total, bool complete);

// A value with one decimal and a point, independent of the process locale.
std::string FormatOneDecimal(double value);

}  // namespace tarnwell::erase
