// Names shown on a terminal so that every byte can be told apart, the way GNU
// ls quotes them there by default (shell-escape): a newline or tab in a name
// must not look like the end of a row or a column.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::cli {

// name unchanged when it holds nothing a shell or a terminal would misread;
// else quoted so that pasting it into a shell gives the name back: 'a b',
// "it's", and control bytes as 'a'$'\n''b'.
std::string ShellEscape(std::string_view name);

}  // namespace tarnwell::cli
