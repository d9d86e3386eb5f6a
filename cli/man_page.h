// Manual pages in roff, made from the very texts --help prints, so the two
// cannot drift apart.
#pragma once

#include <string>
#include <string_view>

namespace CLI {
class App;
}

namespace tarnwell::cli {

// Help text to roff. A line "Usage: ..." becomes the SYNOPSIS; text before
// any heading the DESCRIPTION; a line "Heading:" at the left margin a
// section; "  TERM  text" a tagged paragraph, deeper indented lines its
// continuation; a blank line a new paragraph.
std::string HelpToRoff(std::string_view help);

// The page of tarnwell-cli: its description, its options and every
// sub-command's, then the epilogues of the program and the sub-commands, the
// examples (help text form, as HelpToRoff takes) and SEE ALSO.
std::string CliManPage(const CLI::App& app, std::string_view version, std::string_view date,
                       std::string_view examples);

// The page of the window, from its --help text and the keys and examples
// (help text form), then SEE ALSO.
std::string WindowManPage(std::string_view help, std::string_view version, std::string_view date,
                          std::string_view keys_and_examples);

}  // namespace tarnwell::cli
