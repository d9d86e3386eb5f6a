#include "items/command_line.h"

namespace tarnwell::items {

std::string CommandLineAfterProgramName(std::string_view command_line) {
  size_t i = 0;
  const auto code = [&](size_t at) { return static_cast<unsigned char>(command_line[at]); };
  if (!command_line.empty() && command_line[0] == '"') {
    const size_t close = command_line.find('"', 1);
    i = close == std::string_view::npos ? command_line.size() : close + 1;
  } else {
    while (i < command_line.size() && code(i) > 32) ++i;
  }
  while (i < command_line.size() && code(i) >= 1 && code(i) <= 32) ++i;
  return std::string(command_line.substr(i));
}

}  // namespace tarnwell::items
