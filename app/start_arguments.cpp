#include "app/start_arguments.h"

#include <string_view>

namespace tarnwell::app {

StartArguments ReadStartArguments(int argc, const char* const* argv) {
  StartArguments start;
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (argc == 2 && first == "--help") {
    start.mode = StartArguments::Mode::kHelp;
  } else if (argc == 2 && first == "--version") {
    start.mode = StartArguments::Mode::kVersion;
  } else if (argc == 2 && first == "--trash") {
    start.mode = StartArguments::Mode::kTrash;
  } else if (argc == 3 && first == "--fill") {
    start.mode = StartArguments::Mode::kFillHere;
    start.fill_folder = argv[2];
  } else {
    start.paths.assign(argv + (first == "--" ? 2 : 1), argv + argc);
  }
  return start;
}

}  // namespace tarnwell::app
