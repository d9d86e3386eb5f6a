// What every sub-command of tarnwell-cli works with, and the one-line
// registration each command file offers to main.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

#include "cli/cli_port.h"
#include "cli/terminal_port.h"
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
  // Standard output itself: with --json, out is pointed at err and this
  // stream carries only JSON lines.
  std::ostream& json_out;
  int exit_code = kExitSuccess;
  bool json = false;
  // Which stream out and err write to is a terminal (--json moves out to err).
  TerminalStreams terminals = {};
  // The port of the running command, made by OpenPort.
  std::unique_ptr<CliPort> port = nullptr;
};

// A row for out or err as written there: inert on a terminal (TerminalSafe),
// unchanged otherwise. For every row that may hold a name or a system message.
std::string OutRow(const CliContext& context, std::string_view row);
std::string ErrRow(const CliContext& context, std::string_view row);

// The command's port: JSON lines with --json, else the terminal (a bar when
// interactive). Made on the first call; later calls return the same port.
CliPort& OpenPort(CliContext& context, bool interactive);

// Asks prompt (followed by a blank) on out and reads one line of in: true for
// the catalogue's yes words or English y/yes, in any case.
bool AskToConfirm(CliContext& context, std::string_view prompt);

// Adds every sub-command, the program's description, --json, --version and
// the help epilogues in the current language to app.
void BuildCommandLine(CLI::App& app, CliContext& context);

void AddEraseCommand(CLI::App& app, CliContext& context);
void AddListCommand(CLI::App& app, CliContext& context);
void AddFillCommand(CLI::App& app, CliContext& context);

}  // namespace tarnwell::cli
