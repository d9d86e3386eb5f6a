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

std::string CliPort::UpdateOptionLabels() {
  std::lock_guard lock(mutex_);
  return option_label_;
}

void CliPort::set_option_label(std::string label) {
  std::lock_guard lock(mutex_);
  option_label_ = std::move(label);
}

}  // namespace tarnwell::cli
