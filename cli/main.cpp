// tarnwell-cli: the erase engine from a terminal. Each sub-command lives in
// its own file; command_line_app.cpp puts them together.
#include <CLI/CLI.hpp>
#include <iostream>
#include <new>
#include <sstream>
#include <string>

#include "cli/cli_context.h"
#include "cli/shell_quote.h"
#include "core/run_state.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  platform::Env& env = platform::DefaultEnv();
  const cli::TerminalStreams terminals{env.IsTerminal(1), env.IsTerminal(2)};
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  if (!loaded.problem.ok()) {
    const std::string row =
        "tarnwell-cli: settings not used, defaults apply: " + loaded.problem.message();
    std::cerr << (terminals.err ? cli::TerminalSafe(row) : row) << '\n';
  }
  text::SetCurrentLanguage(loaded.language);
  if (!text::BuildTextCatalog()) {
    std::cerr << "tarnwell-cli: the built-in text catalogue cannot be decoded\n";
    return cli::kExitFailure;
  }
  items::SetNumberFormat(env.UserNumberFormat());
  core::RunState run_state;

  CLI::App app;
  // Lines for people; --json points it at standard error.
  std::ostream people_out(std::cout.rdbuf());
  cli::CliContext context{env, loaded.store, run_state, std::cin, people_out, std::cerr, std::cout};
  context.terminals = terminals;
  cli::BuildCommandLine(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    // A parse error may quote an argument: its lines are rows like any other.
    std::ostringstream error_lines;
    const int code = app.exit(error, std::cout, error_lines);
    std::istringstream lines(error_lines.str());
    for (std::string line; std::getline(lines, line);) {
      std::cerr << cli::ErrRow(context, line) << '\n';
    }
    context.exit_code = code == 0 ? cli::kExitSuccess : cli::kExitUsage;
    if (code == 0) return context.exit_code;  // --help, --version
  } catch (const std::bad_alloc&) {
    // Unwinding has finished the running batch and freed the list: one row
    // and a failure, never an abort.
    std::cerr << cli::ErrRow(context,
                             "tarnwell-cli: " + text::LookupUtf8(text::TextId::kOutOfMemory))
              << '\n';
    context.exit_code = cli::kExitFailure;
  }
  if (context.json) {
    const std::vector<CLI::App*> chosen = app.get_subcommands();
    cli::OpenPort(context, false)
        .Finish(chosen.empty() ? "" : chosen.front()->get_name(), context.exit_code);
  }
  return context.exit_code;
}
