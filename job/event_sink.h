// Where a job's events go. The window's translator, the terminal's and the
// JSON writer implement it; tests record.
#pragma once

#include "job/events.h"

namespace tarnwell::job {

class EventSink {
 public:
  virtual ~EventSink() = default;
  // Called on the job's thread, one event at a time; when it returns, the
  // event has been shown (the job may then go on or end).
  virtual void Report(const Event& event) = 0;
};

// A sink that drops everything, for callers that want no reports.
class NullSink final : public EventSink {
 public:
  void Report(const Event&) override {}
};

}  // namespace tarnwell::job
