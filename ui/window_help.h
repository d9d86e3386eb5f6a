// The text of `tarnwell --help`, which the window's manual page is also made
// from.
#pragma once

#include <string>

namespace tarnwell::ui {

// Usage, description, options, files, environment and the limits of
// overwriting, in the current language where the catalogue has them.
std::string WindowHelpText();

}  // namespace tarnwell::ui
