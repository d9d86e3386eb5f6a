// tarnwell-cli list: what erase would erase, in row order; touches nothing
// but what killed jobs left.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_context.h"
#include "cli/collect_items.h"
#include "cli/shell_quote.h"
#include "items/item_list.h"
#include "ui/event_texts.h"
#include "ui/killed_jobs.h"

namespace tarnwell::cli {
namespace {

struct ListOptions {
  std::vector<std::string> paths;
};

int RunList(CliContext& context, const ListOptions& options) {
  CliPort& port = OpenPort(context, false);
  // A killed erase's random-named files are finished, not listed.
  ui::FinishKilledJobs(context.env, port);
  items::ItemList list(context.env);
  if (!CollectItems(context, options.paths, list, port)) return kExitUsage;
  // A terminal must show a newline or tab inside a name as such; a pipe gets
  // the bytes as they are (and --json exact names).
  const bool rows_written = port.WriteListRows(list);
  const bool terminal = context.terminals.out;
  for (int row = 0; !rows_written && row < list.RowCount(); ++row) {
    std::string path = list.GetCellText(row, items::ItemList::kPathColumn).value_or("");
    if (terminal) path = ShellEscape(path);
    context.out << list.GetCellText(row, items::ItemList::kSizeColumn).value_or("") << '\t' << path
                << '\n';
  }
  const items::ItemList::Summary summary = list.ItemsSummary();
  context.out << ui::ItemsSummaryText(summary.rows, summary.total_bytes) << '\n';
  return kExitSuccess;
}

}  // namespace

void AddListCommand(CLI::App& app, CliContext& context) {
  auto options = std::make_shared<ListOptions>();
  CLI::App* list = app.add_subcommand("list", "Show what erase would erase; touches nothing");
  list->add_option("paths", options->paths,
                   "Files and folders (folders with all they hold), each exactly as given; "
                   "on a terminal, control bytes in names are shown escaped")
      ->required();
  list->callback([&context, options] { context.exit_code = RunList(context, *options); });
}

}  // namespace tarnwell::cli
