// For the fill's tests: the real temporary folder made to look like a small
// volume, so no test ever fills the disk it runs on.
#pragma once

#include <algorithm>
#include <cerrno>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/fault_env.h"

namespace tarnwell::fill {

// Writes past `capacity` bytes in all fail with ENOSPC (after a short write);
// with a `file_limit`, each file stops there with EFBIG. on_write, when set,
// sees the number of every write (1, 2, ...) before it happens. Direct I/O
// is refused unless `direct`; then a direct write that does not fit whole is
// refused with ENOSPC, as ext4 refuses one it cannot place.
class SmallVolume {
 public:
  explicit SmallVolume(uint64_t capacity, uint64_t file_limit = 0, bool direct = false)
      : capacity_(capacity), file_limit_(file_limit) {
    env.refuse_direct = !direct;
    env.fail_write = [this](const std::string& path, uint64_t offset, size_t length,
                            bool direct_write) -> std::optional<platform::Result<size_t>> {
      // Only the fill's own files are on the small volume; its record of a
      // running fill lives elsewhere.
      const size_t fill_file = path.find("/tmp_ttt_");
      if (fill_file == std::string::npos) return std::nullopt;
      // The record pass's files lie in a folder of the fill's shape; its
      // probes are deleted before the fill, which this volume cannot tell.
      if (!count_record_pass && path.find("/tmp_ttt_", fill_file + 1) != std::string::npos) {
        return std::nullopt;
      }
      std::lock_guard lock(mutex_);
      ++writes_;
      if (on_write) on_write(writes_);
      uint64_t allowed = std::min<uint64_t>(length, capacity_ - used_);
      if (direct_write) {
        direct_lengths_.push_back(length);
        if (allowed < length) allowed = 0;
      }
      if (file_limit_ != 0) {
        if (offset >= file_limit_) return platform::Status::Error(EFBIG, "write: File too large");
        allowed = std::min<uint64_t>(allowed, file_limit_ - offset);
      }
      if (allowed == 0) return platform::Status::Error(ENOSPC, "write: No space left on device");
      used_ += allowed;
      return platform::Result<size_t>(allowed);
    };
  }
  uint64_t used() const {
    std::lock_guard lock(mutex_);
    return used_;
  }
  int writes() const {
    std::lock_guard lock(mutex_);
    return writes_;
  }
  // The length asked by every direct write, in order.
  std::vector<size_t> direct_lengths() const {
    std::lock_guard lock(mutex_);
    return direct_lengths_;
  }

  platform::FaultEnv env{platform::DefaultEnv()};
  std::function<void(int)> on_write;
  // Whether the record pass's files take from the capacity too.
  bool count_record_pass = false;

 private:
  mutable std::mutex mutex_;
  uint64_t capacity_;
  uint64_t file_limit_;
  uint64_t used_ = 0;
  int writes_ = 0;
  std::vector<size_t> direct_lengths_;
};

}  // namespace tarnwell::fill
