// The whole command line of tarnwell-cli in one place, so that --help and
// the manual page built from it say the same.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/cli_context.h"
#include "cli/json_port.h"
#include "core/version.h"
#include "text/catalog.h"

namespace tarnwell::cli {
namespace {}  // namespace

void BuildCommandLine(CLI::App& app, CliContext& context) {
  app.description("Tarnwell: erase files and folders so their contents cannot be read back");
  app.name("tarnwell-cli");
  app.require_subcommand(1);
  // A path such as /tmp/x (wine's Z: drive) is an argument, never a /option.
  app.allow_windows_style_options(false);
  // Lets --json follow the sub-command as well as precede it.
  app.fallthrough();
  app.set_version_flag("--version", "tarnwell-cli " + std::string(core::kProgramVersion));
  app.add_flag_callback(
      "--json",
      [&context] {
        context.json = true;
        context.out.rdbuf(context.err.rdbuf());
        context.terminals.out = context.terminals.err;
      },
      "One JSON object per line on standard output for scripts (see JSON output)");
  app.footer(text::LookupLines(text::TextId::kExitStatusHelp) + "\n\n" +
             text::LookupLines(text::TextId::kFilesHelp) + "\n\n" + kJsonHelp);
  AddEraseCommand(app, context);
  AddListCommand(app, context);
  AddFillCommand(app, context);
}

}  // namespace tarnwell::cli
