// The clusters ext4 holds back for itself (reserved_clusters in sysfs, 2% of
// the volume up to 4096 clusters). No write reaches them, not even root's, so
// the fill lowers the reserve for its run and puts it back afterwards. The old
// value is also kept in a small state file, so a fill that was killed has its
// reserve put back by the next start.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/window_port.h"
#include "platform/env.h"

namespace tarnwell::fill {

struct Ext4Reserve {
  std::string device;        // the kernel's block device name, "loop0"
  std::string setting_path;  // /sys/fs/ext4/<device>/reserved_clusters
  uint64_t clusters = 0;
  uint64_t bytes = 0;  // clusters times the block size
};

// The reserve of the ext4 file system holding path. An error when the file
// system is not ext4 or its setting can't be read.
platform::Result<Ext4Reserve> ReadExt4Reserve(platform::Env& env, const std::string& path);

// A reserve lowered to zero; the destructor puts the old value back.
class LoweredReserve final {
 public:
  // Records the old value in state_folder, then lowers the reserve of the ext4
  // file system holding path to zero. Holds a lock on state_folder until the
  // reserve is restored, so no other start restores it meanwhile.
  static platform::Result<std::unique_ptr<LoweredReserve>> Lower(platform::Env& env,
                                                                 const std::string& path,
                                                                 const std::string& state_folder);
  ~LoweredReserve();
  LoweredReserve(const LoweredReserve&) = delete;
  LoweredReserve& operator=(const LoweredReserve&) = delete;

  // Writes the old value back and removes the state file. Does nothing the
  // second time.
  platform::Status Restore();
  const Ext4Reserve& old() const { return old_; }

 private:
  LoweredReserve(platform::Env& env, Ext4Reserve old, std::string state_file,
                 std::unique_ptr<platform::FileLock> lock)
      : env_(env),
        old_(std::move(old)),
        state_file_(std::move(state_file)),
        lock_(std::move(lock)) {}

  platform::Env& env_;
  Ext4Reserve old_;
  std::string state_file_;
  std::unique_ptr<platform::FileLock> lock_;
  bool restored_ = false;
};

// Puts back every reserve recorded in state_folder by a fill that did not
// restore it, as long as it still holds the lowered value (a remount resets
// it). Does nothing while a running fill holds state_folder locked. One row per restored reserve
// when window is given. Returns the count.
int RestoreAbandonedReserves(platform::Env& env, const std::string& state_folder,
                             core::WindowPort* window);

}  // namespace tarnwell::fill
