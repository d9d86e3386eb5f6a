// Names and rows shown on a terminal so that every byte can be told apart and
// none acts on the terminal. ShellEscape quotes a name the way GNU ls does
// there by default (shell-escape): a newline or tab in a name must not look
// like the end of a row or a column. TerminalSafe makes a finished row inert:
// a name inside cannot move the cursor, clear the line or forge other rows.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::cli {

// name unchanged when it holds nothing a shell or a terminal would misread;
// else quoted so that pasting it into a shell gives the name back: 'a b',
// "it's", and control bytes (C0, DEL, the C1 controls U+0080-U+009F, bytes
// outside valid UTF-8) as 'a'$'\n''b' or $'\302\233'.
std::string ShellEscape(std::string_view name);

// row with each of those control bytes written visibly, as \r, \n, \t (the
// named C escapes) or a backslash and three octal digits (\033, \302\233,
// \377); everything else unchanged. For rows that hold no control byte on
// purpose: a row's own line end is added after it.
std::string TerminalSafe(std::string_view row);

}  // namespace tarnwell::cli
