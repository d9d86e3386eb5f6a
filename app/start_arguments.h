// What the window is started with. Each argument is one path, exactly as the
// desktop or a file manager passes it; only a first argument of --help,
// --version, --fill or --trash is an option, and a first "--" lets the paths
// start with a dash.
#pragma once

#include <string>
#include <vector>

namespace tarnwell::app {

struct StartArguments {
  enum class Mode { kWindow, kHelp, kVersion, kFillHere, kTrash };
  Mode mode = Mode::kWindow;
  std::string fill_folder;         // kFillHere: the folder of "--fill DIR", as given
  std::vector<std::string> paths;  // kWindow: the paths to list, as given
};

// Reads argv (argv[0] is the program). "--fill" is the option only with
// exactly one folder after it; otherwise it is a path like every other
// argument. "--trash" alone lists the user's trashes (kTrash). Nothing is
// trimmed or dropped here.
StartArguments ReadStartArguments(int argc, const char* const* argv);

}  // namespace tarnwell::app
