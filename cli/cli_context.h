// What every sub-command of tarnwell-cli works with, and the one-line
// registration each command file offers to main.
#pragma once

#include <iosfwd>

#include "core/run_state.h"
#include "platform/env.h"
#include "settings/settings_store.h"

namespace CLI {
class App;
}

namespace tarnwell::cli {

// Exit codes shared by the sub-commands.
inline constexpr int kExitSuccess = 0;  // everything listed was erased
inline constexpr int kExitFailure = 1;  // some items failed or are left
// Nothing was done: bad arguments, a refused path, no confirmation, an abort.
inline constexpr int kExitUsage = 2;

struct CliContext {
  platform::Env& env;
  const settings::SettingsStore& settings;
  core::RunState& run_state;
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  int exit_code = kExitSuccess;
};

void AddEraseCommand(CLI::App& app, CliContext& context);
void AddListCommand(CLI::App& app, CliContext& context);
void AddFillCommand(CLI::App& app, CliContext& context);

}  // namespace tarnwell::cli
