#include "erase/erase_job.h"

#include <algorithm>

#include "erase/journal_names.h"
#include "erase/preflight.h"
#include "erase/progress_reporter.h"
#include "items/format_size.h"
#include "text/catalog.h"
#include "text/format_text.h"

namespace tarnwell::erase {
namespace {

constexpr int kTextAbort = 8;
constexpr int kTextProductName = 11;
constexpr int kTextError = 18;
constexpr int kTextStart = 40;
constexpr int kTextTotal = 41;
constexpr int kTextFinished = 160;
constexpr int kTextStopped = 162;
constexpr std::string_view kPassCountKey = "re_write";
constexpr std::string_view kDelayKey = "del_delay";
constexpr int kMaxPasses = 10;
constexpr int kMaxDelaySeconds = 10;
constexpr int64_t kCountdownStepMs = 1000;
// The countdown sleeps in slices so a Cancel is seen quickly.
constexpr int64_t kCountdownSliceMs = 100;

bool StopRequested(const core::RunState& state) { return state.stopRequested.load() == 1; }

// Sleeps one countdown step; returns early when a stop is asked for.
void SleepOneStep(platform::Env& env, const core::RunState& state) {
  for (int64_t slept = 0; slept < kCountdownStepMs && !StopRequested(state);
       slept += kCountdownSliceMs) {
    env.SleepMillis(kCountdownSliceMs);
  }
}

// The bytes the passes will write: a sparse file's holes are not written.
uint64_t SumOfFileData(const items::ListedItems& listed) {
  uint64_t sum = 0;
  for (const items::ListedItem& row : listed.rows) {
    if (row.info.kind == platform::FileKind::kRegular) {
      sum += std::min(row.info.size, row.info.allocated);
    }
  }
  return sum;
}

}  // namespace

EraseJobResult RunEraseJob(EraseJobContext context) {
  platform::Env& env = context.env;
  core::WindowPort& port = context.port;
  core::RunState& state = context.run_state;
  EraseJobResult result;
  const std::string error_text = text::LookupUtf8(kTextError);

  port.InsertMessage(text::LookupUtf8(kTextStart), core::MessageIcon::kInfo);
  port.InsertMessage(port.UpdateOptionLabels(), core::MessageIcon::kInfo);
  const int passes = context.pass_count.value_or(
      context.settings.ReadIntSetting(settings::kOptionsSection, kPassCountKey, 0, -1, -1));
  result.pass_count = std::clamp(passes, 1, kMaxPasses);
  state.stopRequested = 0;
  const int delay = context.delay_seconds.value_or(context.settings.ReadIntSetting(
      settings::kOptionsSection, kDelayKey, state.deleteDelaySeconds.load(), -1, -1));
  state.deleteDelaySeconds = std::clamp(delay, 0, kMaxDelaySeconds);
  const std::string abort_text = text::LookupUtf8(kTextAbort);

  std::vector<std::string> row_paths;
  row_paths.reserve(context.listed.rows.size());
  for (const items::ListedItem& row : context.listed.rows) row_paths.push_back(row.path);
  ReportUntrustedFileSystems(env, port, row_paths);
  // Found now: once erased, the items no longer lead to their mounts.
  const std::vector<platform::MountInfo> journaled = FindJournaledMounts(env, row_paths);
  row_paths = {};

  const auto abort = [&] {
    port.SetBusy(false);
    port.InsertMessage(abort_text, core::MessageIcon::kWarning);
    result.aborted = true;
    return result;
  };
  for (int i = 0; i < state.deleteDelaySeconds.load(); ++i) {
    port.InsertMessage(text::FormatText(text::LookupUtf8(context.countdown_text_id),
                                        {state.deleteDelaySeconds.load() - i}),
                       core::MessageIcon::kInfo);
    if (StopRequested(state)) return abort();
    SleepOneStep(env, state);
    // A stop seen while sleeping ends the countdown without another row.
    if (StopRequested(state)) return abort();
  }
  if (StopRequested(state)) return abort();
  // From here Escape no longer aborts: it stops at the next item.
  state.erasing = 1;
  port.InsertMessage(text::LookupUtf8(context.erasing_text_id), core::MessageIcon::kInfo);

  EraseCounters counters;
  counters.pass_count = result.pass_count;
  counters.total_bytes = SumOfFileData(context.listed) * static_cast<uint64_t>(counters.pass_count);
  port.InsertMessage(text::LookupUtf8(kTextTotal) + " " + items::FormatSize(counters.total_bytes),
                     core::MessageIcon::kInfo);

  ProgressReporter progress(env, port, context.on_progress);
  progress.Start();
  int erased = 0;
  {
    ItemEraser eraser(env, port, progress, counters, context.listed, context.options);
    // Rows are sorted by path, so a folder's contents come after it and are
    // erased before it.
    for (auto row = context.listed.rows.rbegin(); row != context.listed.rows.rend(); ++row) {
      // A stop asked for now ends the job between two items, never inside one.
      if (StopRequested(state)) {
        result.stopped = true;
        break;
      }
      if (!row->path.empty()) eraser.EraseItem(*row);
    }
    eraser.ScrubKeptFolders();
    erased = eraser.erased();
  }
  // Before the journals are cleared: the traces' names go there too.
  if (context.options.erased_items) context.options.erased_items->ErasingDone();
  for (const platform::MountInfo& mount : journaled) ClearJournalOfMount(env, port, mount);

  const auto listed = static_cast<int>(
      std::count_if(context.listed.rows.begin(), context.listed.rows.end(),
                    [](const items::ListedItem& row) { return !row.path.empty(); }));
  const bool complete = !result.stopped && counters.error_count == 0 && erased == listed;
  progress.ReportFinal(counters.written_bytes, counters.total_bytes, complete);

  if (context.refresh_list) context.refresh_list();
  port.SetTitle(text::LookupUtf8(kTextProductName));
  const double percentage = FinalPercentage(counters.written_bytes, counters.total_bytes, complete);
  port.SetStatusText(FormatOneDecimal(percentage) + " % // " + error_text + ": " +
                     std::to_string(counters.error_count) + " ");
  if (result.stopped) {
    port.InsertMessage(text::FormatText(text::LookupUtf8(kTextStopped), {erased, listed - erased}),
                       core::MessageIcon::kWarning);
  } else {
    port.InsertMessage(
        text::FormatText(text::LookupUtf8(kTextFinished), {erased, counters.error_count}),
        // The errors have their own rows; this one only sums up.
        counters.error_count == 0 ? core::MessageIcon::kInfo : core::MessageIcon::kWarning);
  }
  state.erasing = 0;
  state.stopRequested = 1;
  port.SetBusy(false);
  if (state.exitAfterErase.load() == 1 && counters.error_count == 0) port.SendCancel();
  state.exitAfterErase = 0;

  result.total_bytes = counters.total_bytes;
  result.written_bytes = counters.written_bytes;
  result.error_count = counters.error_count;
  result.erased_items = erased;
  return result;
}

std::thread StartEraseJob(EraseJobContext context) {
  return std::thread([context = std::move(context)]() mutable { RunEraseJob(std::move(context)); });
}

}  // namespace tarnwell::erase
