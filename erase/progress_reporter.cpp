#include "erase/progress_reporter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "items/format_size.h"
#include "text/catalog.h"

namespace tarnwell::erase {
namespace {

constexpr int kTextMinutes = 42;
constexpr int kTextSeconds = 43;
constexpr int kTextRemaining = 44;
constexpr int kTextElapsed = 45;
constexpr int kTextOf = 46;
constexpr int kAboutProductAndVersion = 19;

}  // namespace

std::string FormatOneDecimal(double value) {
  char buffer[64];
  // snprintf uses the "C" locale here: the process never calls setlocale.
  std::snprintf(buffer, sizeof buffer, "%.1f", value);
  return buffer;
}

std::string FormatDuration(double x) {
  const std::string minutes = text::LookupUtf8(kTextMinutes);
  const std::string seconds = text::LookupUtf8(kTextSeconds);
  if (std::isnan(x) || x * (1.0 / 60) >= static_cast<double>(INT_MAX) + 1.0) {
    return "> " + std::to_string(INT_MAX) + " " + minutes;
  }
  const int s = static_cast<int>(std::fmod(x, 60.0));
  if (x >= 60) {
    const int m = static_cast<int>(x * (1.0 / 60));
    return std::to_string(m) + " " + minutes + ", " + std::to_string(s) + " " + seconds;
  }
  if (s >= 1) return std::to_string(s) + " " + seconds;
  return "< 1 " + seconds;
}

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

  Draw(done, total, ratio * 100,
       text::LookupUtf8(kTextRemaining) + ": " + FormatDuration(remaining) + " || ", elapsed,
       remaining);
}

void ProgressReporter::ReportFinal(uint64_t done, uint64_t total, bool complete) {
  const int64_t now = env_.MonotonicMillis();
  last_update_ticks_ = now;
  Draw(done, total, FinalPercentage(done, total, complete), std::string(),
       static_cast<double>(now - start_ticks_) * 0.001, 0);
}

void ProgressReporter::Draw(uint64_t done, uint64_t total, double percentage_value,
                            const std::string& remaining_part, double elapsed, double remaining) {
  const std::string percentage = FormatOneDecimal(percentage_value);
  const std::string line_b = percentage + " % " + items::FormatSize(done) + " " +
                             text::LookupUtf8(kTextOf) + " " + items::FormatSize(total);
  port_.SetInstructionText(remaining_part + text::LookupUtf8(kTextElapsed) + ": " +
                           FormatDuration(elapsed) + "\n" + line_b);
  port_.SetStatusText(line_b);
  port_.SetTitle("[" + percentage + " %] " + text::AboutUtf8(kAboutProductAndVersion));
  if (listener_) listener_({done, total, percentage_value, elapsed, remaining});
}

}  // namespace tarnwell::erase
