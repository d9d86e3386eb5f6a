// tarnwell-cli erase: the erase job of the window, driven from a terminal.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <memory>
#include <optional>

#include "cli/cli_context.h"
#include "cli/collect_items.h"
#include "erase/erase_job.h"
#include "items/item_list.h"
#include "settings/job_options.h"
#include "text/catalog.h"
#include "text/format_text.h"
#include "traces/trace_eraser.h"
#include "traces/trash_listing.h"
#include "ui/event_texts.h"
#include "ui/killed_jobs.h"

namespace tarnwell::cli {
namespace {

struct EraseCliOptions {
  std::optional<int> passes;
  std::optional<int> delay;
  bool verify = false;
  bool yes = false;
  bool trash = false;
  bool keep_traces = false;
  std::vector<std::string> paths;
};

int RunErase(CliContext& context, const EraseCliOptions& options) {
  platform::Env& env = context.env;
  if (!options.yes && !env.IsTerminal(0)) {
    context.err << "tarnwell-cli: " << text::LookupUtf8(text::TextId::kEraseNoTerminal) << '\n';
    return kExitUsage;
  }
  if (options.paths.empty() && !options.trash) {
    context.err << "tarnwell-cli: erase: name the files and folders to erase, or --trash\n";
    return kExitUsage;
  }
  const bool interactive = env.IsTerminal(1);
  CliPort& port = OpenPort(context, interactive);
  std::vector<std::string> paths = options.paths;
  if (options.trash) {
    const std::vector<std::string> trash =
        traces::TrashEntries(env, traces::StoresToClean(env, port));
    paths.insert(paths.end(), trash.begin(), trash.end());
  }
  // Before the listing, so that what a killed erase left is not listed.
  ui::FinishKilledJobs(env, port);
  items::ItemList list(env);
  if (!CollectItems(context, paths, list, port)) return kExitUsage;
  const items::ItemList::Summary summary = list.ItemsSummary();
  context.out << ui::ItemsSummaryText(summary.rows, summary.total_bytes) << '\n';
  if (list.RowCount() == 0) {
    if (options.trash) context.out << text::LookupUtf8(text::TextId::kTrashEmpty) << '\n';
    return kExitSuccess;
  }
  if (!options.yes &&
      !AskToConfirm(context, text::FormatText(text::LookupUtf8(text::TextId::kErasePrompt),
                                              {list.RowCount()}))) {
    context.out << text::LookupUtf8(text::TextId::kNothingErased) << '\n';
    return kExitUsage;
  }

  const int delay = options.delay.value_or(
      settings::ReadDelaySeconds(context.settings, context.run_state.delete_delay_seconds.load()));
  context.run_state.exit_after_erase = 0;
  env.StopOnInterrupt(&context.run_state.stop_asked);

  traces::TraceEraser trace_eraser(env, port, [&port](const traces::ErasedTrace& trace) {
    port.TraceErased(traces::TraceKindName(trace.kind), trace.path, trace.of);
  });
  erase::EraseJobContext job{
      .env = env,
      .sink = port,
      .run_state = context.run_state,
      .listed = list.Listed(),
      .refresh_list = [&] { list.RefreshList(&port); },
      .options = erase::EraseOptions{.verify = options.verify,
                                     .erased_items = options.keep_traces ? nullptr : &trace_eraser},
      .passes_asked = options.passes.value_or(settings::ReadPassesAsked(context.settings)),
      .delay_seconds = delay};
  const erase::EraseJobResult result = erase::RunEraseJob(std::move(job));
  port.EndProgress();
  port.AddFigure("written_bytes", result.written_bytes);
  port.AddFigure("total_bytes", result.total_bytes);
  if (result.aborted) return kExitUsage;  // nothing was touched
  context.out << OutRow(context, port.status_text()) << '\n';
  // Rows still listed after the refresh are items that still exist: failed,
  // or left alone (a FIFO, a device).
  if (result.error_count > 0 || list.RowCount() > 0 || trace_eraser.failures() > 0) {
    if (list.RowCount() > 0) {
      context.err << "tarnwell-cli: "
                  << text::FormatText(text::LookupUtf8(text::TextId::kStillThere),
                                      {list.RowCount()})
                  << '\n';
    }
    return kExitFailure;
  }
  return kExitSuccess;
}

}  // namespace

void AddEraseCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<EraseCliOptions>();
  CLI::App* erase = app.add_subcommand(
      "erase", "Overwrite files with zeros, rename them seven times and delete them");
  erase->add_option("-p,--passes", options->passes, "Overwrite passes (default: the settings)")
      ->check(CLI::Range(1, settings::kMaxPasses));
  erase
      ->add_option("-d,--delay", options->delay,
                   "Seconds of countdown before erasing, Ctrl-C aborts (default: the settings)")
      ->check(CLI::Range(0, settings::kMaxDelaySeconds));
  erase->add_flag(
      "--verify", options->verify,
      "Read every file back from the disk after the last pass; keep it unless all zeros");
  erase->add_flag("-y,--yes", options->yes, "Do not ask for confirmation");
  erase->add_flag("--trash", options->trash,
                  "Also list everything in your trashes (the files and their records): the "
                  "home trash and .Trash-UID folders on other volumes");
  erase->add_flag("--keep-traces", options->keep_traces,
                  "Erase only the items: keep their thumbnails, recent-file entries, trash "
                  "records and shortcuts, which are otherwise erased with them");
  erase->add_option("paths", options->paths,
                    "Files and folders (folders with all they hold), each exactly as given; "
                    "on a terminal, control bytes in names are shown escaped");
  erase->footer(text::LookupLines(text::TextId::kLimitsHelp));
  erase->callback([&context, options] { context.exit_code = RunErase(context, *options); });
}

}  // namespace tarnwell::cli
