// tarnwell-cli: the erase engine from a terminal. Each sub-command lives in
// its own file and registers itself with one line below.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/cli_context.h"
#include "core/run_state.h"
#include "items/format_size.h"
#include "platform/env.h"
#include "settings/settings_store.h"
#include "text/catalog.h"

int main(int argc, char** argv) {
  using namespace tarnwell;
  platform::Env& env = platform::DefaultEnv();
  settings::LoadedSettings loaded = settings::LoadSettings(env);
  if (!loaded.problem.ok()) {
    std::cerr << "tarnwell-cli: settings not used, defaults apply: " << loaded.problem.message()
              << '\n';
  }
  text::SetCurrentLanguage(loaded.language);
  if (!text::BuildTextCatalog()) {
    std::cerr << "tarnwell-cli: the built-in text catalogue cannot be decoded\n";
    return cli::kExitFailure;
  }
  items::SetNumberFormat(env.UserNumberFormat());
  core::RunState run_state;

  CLI::App app{"Tarnwell: erase files and folders so their contents cannot be read back"};
  app.require_subcommand(1);
  cli::CliContext context{env, loaded.store, run_state, std::cin, std::cout, std::cerr};
  cli::AddEraseCommand(app, context);
  cli::AddListCommand(app, context);
  cli::AddFillCommand(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error);
    return code == 0 ? cli::kExitSuccess : cli::kExitUsage;
  }
  return context.exit_code;
}
