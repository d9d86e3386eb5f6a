#include "platform/posix/terminal_calls.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace tarnwell::platform::posix {
namespace {

std::atomic<std::atomic<bool>*> stop_flag{nullptr};
static_assert(std::atomic<bool>::is_always_lock_free, "stored from a signal handler");

void OnInterrupt(int) {
  std::atomic<bool>* flag = stop_flag.load();
  if (flag != nullptr) flag->store(true);
}

}  // namespace

bool IsTerminal(int stream) { return isatty(stream) == 1; }

int TerminalColumns(int stream) {
  struct winsize size {};
  if (ioctl(stream, TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

void StopOnInterrupt(std::atomic<bool>* flag) {
  stop_flag.store(flag);
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // The first signal asks for a stop; the handler is then reset, so a second
  // one ends the process even while the erase is busy.
  action.sa_flags = SA_RESETHAND | SA_RESTART;
  // A closed terminal (SIGHUP) and Ctrl-\ (SIGQUIT) stop as orderly as
  // Ctrl-C: a fill must never leave its files behind.
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace tarnwell::platform::posix
