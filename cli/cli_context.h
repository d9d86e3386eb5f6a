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
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // something asked for was not done
inline constexpr int kExitUsage = 2;    // bad arguments or no confirmation; nothing touched

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
