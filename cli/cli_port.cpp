#include "cli/cli_port.h"

namespace tarnwell::cli {

void CliPort::SetStatusText(std::string_view text) {
  std::lock_guard lock(mutex_);
  status_text_ = text;
}

std::string CliPort::status_text() const {
  std::lock_guard lock(mutex_);
  return status_text_;
}

}  // namespace tarnwell::cli
