// The text that follows the program's own name in a Windows-style command
// line, as a program handed one command string sees it.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::items {

// A name that begins with a double quote ends at the next one (which is
// skipped); an unquoted one ends at the first character of code 32 or less.
// Every following character of code 1 to 32 is skipped; the rest is returned.
std::string CommandLineAfterProgramName(std::string_view command_line);

}  // namespace tarnwell::items
