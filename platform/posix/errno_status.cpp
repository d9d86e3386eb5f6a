// Turns errno values into Status messages.
#include <cstring>

#include "platform/status.h"

namespace tarnwell::platform {

Status Status::FromErrno(int code, std::string_view operation, std::string_view path) {
  std::string message = OperationPrefix(operation, path);
  char buffer[256];
  // GNU strerror_r may return a static string instead of filling the buffer.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  message += text;
  return Status(code == 0 ? -1 : code, std::move(message));
}

}  // namespace tarnwell::platform
