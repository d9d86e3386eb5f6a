// The Linux side of the command-line tool's platform calls: terminals and the
// interrupt signals.
#pragma once

#include <atomic>

namespace tarnwell::platform::posix {

bool IsTerminal(int stream);
int TerminalColumns(int stream);
void StopOnInterrupt(std::atomic<bool>* flag);

}  // namespace tarnwell::platform::posix
