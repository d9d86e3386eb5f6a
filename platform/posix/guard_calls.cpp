#include "platform/posix/guard_calls.h"

#include <fcntl.h>
#include <sys/file.h>
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

Status LockNewFile(int fd, const std::string& path) {
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    return Status::Error(EAGAIN, "'" + path + "' was locked by another process");
  }
  // A clean-up may have deleted the file between its creation and the lock.
  struct stat held, named;
  if (fstat(fd, &held) != 0 || lstat(path.c_str(), &named) != 0 || held.st_dev != named.st_dev ||
      held.st_ino != named.st_ino) {
    return Status::Error(EAGAIN, "'" + path + "' was removed by another process");
  }
  return Status::Ok();
}

Result<UniqueFd> TryLockPath(const std::string& path, struct stat* st) {
  UniqueFd fd(
      OpenRetrying(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.valid()) return Status::FromErrno(errno, "open for locking", path);
  if (fstat(fd.get(), st) != 0) return Status::FromErrno(errno, "stat", path);
  if (!S_ISREG(st->st_mode) && !S_ISDIR(st->st_mode)) {
    return Status::Error(EINVAL, "not a regular file or folder: '" + path + "'");
  }
  for (;;) {
    if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EINTR) return Status::FromErrno(errno, "lock", path);
  }
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
