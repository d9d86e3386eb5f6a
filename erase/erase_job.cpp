#include "erase/erase_job.h"

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "job/journal_names.h"
#include "job/pause.h"
#include "job/preflight.h"
#include "job/progress_reporter.h"
#include "job/state_notes.h"
#include "settings/job_options.h"

namespace tarnwell::erase {
namespace {

constexpr int64_t kCountdownStepMs = 1000;
// The countdown sleeps in slices so a Cancel is seen quickly.
constexpr int64_t kCountdownSliceMs = 100;

bool StopRequested(const core::RunState& state) { return state.stop_asked.load(); }

// While the window shows a menu or box the countdown stands still: an erase
// must never start behind something that keeps Escape from the window.
bool CountdownHeld(const core::RunState& state) { return state.window_modal.load() > 0; }

// Sleeps one countdown step, not counting the time it is held; returns
// early when a stop is asked for.
void SleepOneStep(platform::Env& env, const core::RunState& state) {
  int64_t counted = 0;
  while (counted < kCountdownStepMs && !StopRequested(state)) {
    env.SleepMillis(kCountdownSliceMs);
    if (!CountdownHeld(state)) counted += kCountdownSliceMs;
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

// Rows with an empty path were dropped from the list; they are not items.
bool Listed(const items::ListedItem& row) { return !row.path.empty(); }

void ReportNotReached(job::EventSink& sink, const items::ListedItem& row, job::Reason reason) {
  sink.Report(job::ItemResult{.path = row.path,
                              .kind = row.info.kind,
                              .outcome = job::Outcome::kSkipped,
                              .reason = reason});
}

}  // namespace

EraseJobResult RunEraseJob(EraseJobContext context) {
  platform::Env& env = context.env;
  job::EventSink& sink = context.sink;
  core::RunState& state = context.run_state;
  EraseJobResult result;
  result.passes_asked = context.passes_asked;
  result.pass_count = settings::PassesDone(context.passes_asked);
  state.delete_delay_seconds = std::clamp(context.delay_seconds, 0, settings::kMaxDelaySeconds);
  sink.Report(
      job::JobStarted{result.passes_asked, result.pass_count, state.delete_delay_seconds.load()});
  state.stop_asked = false;
  state.erase_running = true;

  // One path per volume the rows were listed on is enough to find the mounts,
  // and found now: once erased, the items no longer lead to their mounts.
  std::vector<std::string> row_paths;
  std::set<uint64_t> devices;
  for (const items::ListedItem& row : context.listed.rows) {
    if (Listed(row) && devices.insert(row.info.device).second) row_paths.push_back(row.path);
  }
  std::vector<platform::MountInfo> journaled;
  for (const platform::MountInfo& mount : job::FindMounts(env, row_paths)) {
    job::ReportUntrustedFileSystem(sink, mount);
    if (job::HasClearableJournal(mount) || job::LogKeepsNames(mount)) journaled.push_back(mount);
  }

  const auto abort = [&] {
    for (const items::ListedItem& row : context.listed.rows) {
      if (Listed(row)) ReportNotReached(sink, row, job::Reason::kAborted);
    }
    sink.Report(job::JobEnded{.aborted = true});
    state.erase_running = false;
    result.aborted = true;
    return result;
  };
  for (int i = 0; i < state.delete_delay_seconds.load(); ++i) {
    sink.Report(job::CountdownTick{state.delete_delay_seconds.load() - i});
    if (StopRequested(state)) return abort();
    SleepOneStep(env, state);
    // A stop seen while sleeping ends the countdown without another row.
    if (StopRequested(state)) return abort();
  }
  // Without a countdown (or after it) a menu or box still open holds the start.
  while (CountdownHeld(state) && !StopRequested(state)) env.SleepMillis(kCountdownSliceMs);
  if (StopRequested(state)) return abort();
  // From here Escape no longer aborts: it stops at the next item.
  state.erasing = true;

  EraseCounters counters;
  counters.pass_count = result.pass_count;
  counters.total_bytes = SumOfFileData(context.listed) * static_cast<uint64_t>(counters.pass_count);
  sink.Report(job::ErasingStarted{counters.total_bytes});

  job::ProgressReporter progress(env, sink);
  progress.Start();
  std::unique_ptr<platform::Folder> state_folder;
  EraseOptions options = context.options;
  if (options.state_folder == nullptr) {
    state_folder = job::OpenStateFolder(
        env, context.state_folder.empty() ? job::RuntimeStateFolder(env) : context.state_folder,
        sink);
    options.state_folder = state_folder.get();
  }
  const auto stop_requested = [&state] { return StopRequested(state); };
  int erased = 0;
  {
    ItemEraser eraser(env, sink, progress, counters, context.listed, options);
    // Rows are sorted by path, so a folder's contents come after it and are
    // erased before it.
    for (auto row = context.listed.rows.rbegin(); row != context.listed.rows.rend(); ++row) {
      if (!Listed(*row)) continue;
      // While the stop question is open nothing more is touched; the files
      // already overwritten are finished first.
      if (!result.stopped && state.pause_asked.load()) eraser.Finish();
      if (!result.stopped) job::WaitWhilePaused(env, state.pause_asked, stop_requested);
      // A stop asked for now ends the job between two items, never inside one.
      if (!result.stopped && StopRequested(state)) {
        // The deletions waiting for their folder's sync belong to items done.
        eraser.Finish();
        result.stopped = true;
      }
      if (result.stopped) {
        ReportNotReached(sink, *row, job::Reason::kStopped);
      } else {
        eraser.EraseItem(*row);
      }
    }
    eraser.ScrubKeptFolders();
    erased = eraser.erased();
    // Before the journals are cleared: the traces' names go there too.
    if (context.options.erased_items) context.options.erased_items->ErasingDone();
    // The eraser's note lasts until here, so a kill before the journals are
    // cleared leaves their clearing to the next start.
    for (const platform::MountInfo& mount : journaled) {
      if (job::LogKeepsNames(mount)) {
        sink.Report(job::Notice{.severity = job::Severity::kWarning,
                                .reason = job::Reason::kLogKeepsNames,
                                .subject = mount.mount_point,
                                .second = mount.fs_type});
      } else {
        job::ClearJournalOfMount(env, sink, mount);
      }
    }
  }

  const auto listed = static_cast<int>(
      std::count_if(context.listed.rows.begin(), context.listed.rows.end(), Listed));
  const bool complete = !result.stopped && counters.error_count == 0 && erased == listed;
  progress.ReportFinal(counters.written_bytes, counters.total_bytes, complete);

  if (context.refresh_list) context.refresh_list();
  sink.Report(job::JobEnded{
      .erased = erased,
      .not_erased = listed - erased,
      .errors = counters.error_count,
      .stopped = result.stopped,
      .percentage = job::FinalPercentage(counters.written_bytes, counters.total_bytes, complete)});
  state.erasing = false;
  state.erase_running = false;

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
