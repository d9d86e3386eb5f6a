// Turns what the program is handed on start into candidate paths: one
// command-line string split the way the Windows shell hands it over, or argv
// as a POSIX caller delivers it. Pure functions; nothing here touches a disk.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::items {

// Splits one command-line string into candidate paths, in the order they are
// to be added: every text between a pair of double quotes first, then the
// rest split at blanks (runs of blanks count as one). Each candidate is
// trimmed of surrounding white space; empty ones are dropped. A text of three
// characters or fewer yields nothing. Case and all other bytes are kept.
std::vector<std::string> SplitCommandLinePaths(std::string_view command_line);

// The candidates of an argv (program name excluded): each argument is one
// path exactly as it stands, every byte kept ("a.txt " is not "a.txt");
// only an empty argument, which names nothing, is dropped.
std::vector<std::string> ArgumentPaths(std::span<const std::string> arguments);

}  // namespace tarnwell::items
