// One run of the erase worker over the listed items: start rows, countdown
// (Cancel aborts it), the total, every row erased last row first, the final
// refresh and the summary.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/run_state.h"
#include "core/window_port.h"
#include "erase/erase_item.h"
#include "items/listed_items.h"
#include "platform/env.h"
#include "settings/settings_store.h"

namespace tarnwell::erase {

// "The begin in %d sec. Abort with [ESC]": the window's countdown row.
inline constexpr int kWindowCountdownText = 10;

// Rows that say, once the countdown is over, which key now stops the job
// after the current file: the window's Escape, the terminal's Ctrl+C.
inline constexpr int kTextErasingWindow = 163;
inline constexpr int kTextErasingTerminal = 183;

struct EraseJobResult {
  bool aborted = false;  // stopped during the countdown; nothing was touched
  bool stopped = false;  // stopped after the countdown, between two items
  int pass_count = 0;
  uint64_t total_bytes = 0;
  uint64_t written_bytes = 0;
  int error_count = 0;
  int erased_items = 0;  // rows the erase removed from the disk
};

// What a job runs on. Everything it references must outlive the job.
struct EraseJobContext {
  platform::Env& env;
  const settings::SettingsStore& settings;
  core::WindowPort& port;
  core::RunState& run_state;
  // The listed rows with their identities, copied when the job is started.
  items::ListedItems listed;
  // The item list's RefreshList, run on the job's thread when the erase ends.
  std::function<void()> refresh_list;
  EraseOptions options;
  // Given by a front end's own options, these take the place of the settings
  // "re_write" and "del_delay" (still clamped).
  std::optional<int> pass_count;
  std::optional<int> delay_seconds;
  // Gets the numbers of every progress redraw.
  ProgressListener on_progress;
  // The text of each countdown row, "%d" the seconds left: it names the key
  // that aborts, which differs between the window and a terminal.
  int countdown_text_id = kWindowCountdownText;
  // The row shown when the countdown is over.
  int erasing_text_id = kTextErasingWindow;
};

// Runs the job on the calling thread and returns its counters. Reads
// "re_write" (clamped to 1..10) and "del_delay" (0..10) from the options
// section; the countdown rereads run_state.deleteDelaySeconds at every step.
// A stop asked for after the countdown ends the job before the next item;
// the last redraw shows the real share done and a last row says how the job
// ended. With run_state.exitAfterErase set and no error, ends by sending
// Cancel.
EraseJobResult RunEraseJob(EraseJobContext context);

// Starts RunEraseJob on a thread of its own; the caller joins or detaches it.
std::thread StartEraseJob(EraseJobContext context);

}  // namespace tarnwell::erase
