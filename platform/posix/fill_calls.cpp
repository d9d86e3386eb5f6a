// The Linux side of the free-space fill's platform calls.
#include "platform/posix/fill_calls.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/fd.h"

namespace tarnwell::platform::posix {

void IgnoreFileSizeSignal() {
  struct sigaction action {};
  action.sa_handler = SIG_IGN;
  sigemptyset(&action.sa_mask);
  sigaction(SIGXFSZ, &action, nullptr);
}

Result<std::string> AbsolutePath(const std::string& path) {
  if (path.empty()) return Status::Error(ENOENT, "empty path");
  std::string joined;
  if (path.front() != '/') {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
      if (errno != ERANGE) return Status::FromErrno(errno, "find the current folder for", path);
      buffer.resize(buffer.size() * 2);
    }
    joined = std::string(buffer.data()) + "/" + path;
  } else {
    joined = path;
  }
  // Fold the segments; ".." above the root stays at the root.
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= joined.size()) {
    size_t end = joined.find('/', start);
    if (end == std::string::npos) end = joined.size();
    const std::string part = joined.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? std::string("/") : result;
}

Result<std::string> BlockDeviceName(uint64_t device) {
  const dev_t dev = static_cast<dev_t>(device);
  const std::string link =
      "/sys/dev/block/" + std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  std::vector<char> buffer(512);
  for (;;) {
    const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0) return Status::FromErrno(errno, "find the block device", link);
    if (static_cast<size_t>(n) < buffer.size()) {
      const std::string target(buffer.data(), static_cast<size_t>(n));
      return target.substr(target.find_last_of('/') + 1);
    }
    buffer.resize(buffer.size() * 2);
  }
}

Status WriteKernelSetting(const std::string& path, std::string_view value) {
  int raw;
  do {
    raw = open(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  } while (raw < 0 && errno == EINTR);
  UniqueFd fd(raw);
  if (!fd.valid()) return Status::FromErrno(errno, "open setting", path);
  ssize_t n;
  do {
    n = write(fd.get(), value.data(), value.size());
  } while (n < 0 && errno == EINTR);
  if (n < 0) return Status::FromErrno(errno, "write setting", path);
  if (static_cast<size_t>(n) != value.size()) {
    return Status::Error(EIO, "write setting '" + path + "': only part of the value was taken");
  }
  if (close(fd.release()) != 0 && errno != EINTR) {
    return Status::FromErrno(errno, "write setting", path);
  }
  return Status::Ok();
}

}  // namespace tarnwell::platform::posix
