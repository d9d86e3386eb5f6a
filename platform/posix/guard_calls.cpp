#include "platform/posix/guard_calls.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>

namespace tarnwell::platform::posix {
namespace {

int OpenRetrying(const char* path, int flags) {
  for (;;) {
    const int fd = open(path, flags);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

}  // namespace

Status RandomBytes(void* data, size_t length) {
  auto* out = static_cast<unsigned char*>(data);
  while (length > 0) {
    const ssize_t n = getrandom(out, length, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "read random bytes for", "names");
    }
    out += n;
    length -= static_cast<size_t>(n);
  }
  return Status::Ok();
}

Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) {
  UniqueFd fd(OpenRetrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) return Status::FromErrno(errno, "open", path);
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "stat", path);
  if (!S_ISREG(st.st_mode)) return Status::Error(EINVAL, "not a regular file: '" + path + "'");
  const auto too_large = [&] {
    return Status::Error(EFBIG,
                         "'" + path + "' is larger than " + std::to_string(max_bytes) + " bytes");
  };
  if (static_cast<uint64_t>(st.st_size) > max_bytes) return too_large();
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n == 0) return content;
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "read", path);
    }
    // A file growing while it is read (or a size the kernel does not know).
    if (content.size() + static_cast<size_t>(n) > max_bytes) return too_large();
    content.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace tarnwell::platform::posix
