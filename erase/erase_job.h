// One run of the erase worker over the listed items: the start, the
// countdown (a stop aborts it), every row erased last row first, the final
// refresh and the end, all reported as events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

#include "core/run_state.h"
#include "erase/erase_item.h"
#include "items/listed_items.h"
#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::erase {

struct EraseJobResult {
  bool aborted = false;  // stopped during the countdown; nothing was touched
  bool stopped = false;  // stopped after the countdown, between two items
  int passes_asked = 0;
  int pass_count = 0;
  uint64_t total_bytes = 0;
  uint64_t written_bytes = 0;
  int error_count = 0;   // items kept by a failure
  int erased_items = 0;  // rows the erase removed from the disk
};

// What a job runs on. Everything it references must outlive the job.
struct EraseJobContext {
  platform::Env& env;
  job::EventSink& sink;
  core::RunState& run_state;
  // The listed rows with their identities, copied when the job is started.
  items::ListedItems listed;
  // The item list's RefreshList, run on the job's thread when the erase ends.
  std::function<void()> refresh_list;
  EraseOptions options;
  // The passes the caller's settings or options ask for; the job does at
  // most settings::kMaxPasses of them.
  int passes_asked = 1;
  // The countdown, seconds, clamped to 0..settings::kMaxDelaySeconds.
  int delay_seconds = 0;
  // Where the job notes its batches when options.state_folder is null;
  // empty for job::RuntimeStateFolder.
  std::string state_folder = {};
};

// Runs the job on the calling thread and returns its counters. Stores the
// delay in run_state.delete_delay_seconds, which the countdown rereads at
// every step. A stop asked for after the countdown ends the job before the
// next item; every listed row gets one ItemResult (kStopped or kAborted for
// those not reached), the last progress shows the real share done and
// JobEnded says how the job ended.
EraseJobResult RunEraseJob(EraseJobContext context);

// Starts RunEraseJob on a thread of its own; the caller joins or detaches it.
std::thread StartEraseJob(EraseJobContext context);

}  // namespace tarnwell::erase
