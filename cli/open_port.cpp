// The choice between the two ports, the rows written past them and the
// confirmation every command asks.
#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>

#include "cli/cli_context.h"
#include "cli/json_port.h"
#include "cli/shell_quote.h"
#include "cli/terminal_port.h"
#include "text/catalog.h"

namespace tarnwell::cli {
namespace {

std::string Lowered(std::string_view text) {
  std::string lowered(text);
  std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lowered;
}

}  // namespace

CliPort& OpenPort(CliContext& context, bool interactive) {
  if (context.port == nullptr) {
    if (context.json) {
      context.port = std::make_unique<JsonPort>(context.json_out, context.env);
    } else {
      context.port = std::make_unique<TerminalPort>(
          context.out, context.err, interactive, context.env.TerminalColumns(1), context.terminals);
    }
  }
  return *context.port;
}

std::string OutRow(const CliContext& context, std::string_view row) {
  return context.terminals.out ? TerminalSafe(row) : std::string(row);
}

std::string ErrRow(const CliContext& context, std::string_view row) {
  return context.terminals.err ? TerminalSafe(row) : std::string(row);
}

bool AskToConfirm(CliContext& context, std::string_view prompt) {
  context.out << prompt << ' ' << std::flush;
  std::string answer;
  if (!std::getline(context.in, answer)) return false;
  answer = Lowered(answer);
  if (answer == "y" || answer == "yes") return true;
  const std::string words = Lowered(text::LookupUtf8(text::TextId::kYesWords));
  std::string_view rest = words;
  while (!answer.empty()) {
    const size_t comma = rest.find(',');
    if (rest.substr(0, comma) == answer) return true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace tarnwell::cli
