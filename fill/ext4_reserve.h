// The clusters ext4 holds back for itself (reserved_clusters in sysfs, 2% of
// the volume up to 4096 clusters). No write reaches them, not even root's, so
// the fill lowers the reserve for its run and puts it back afterwards. The old
// value is also kept in a small state file, so a fill that was killed has its
// reserve put back by the next start.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

struct Ext4Reserve {
  std::string device;        // the kernel's block device name, "loop0"
  std::string setting_path;  // /sys/fs/ext4/<device>/reserved_clusters
  uint64_t clusters = 0;
  uint64_t bytes = 0;  // clusters times the block size
};

// The reserve of the ext4 file system the held folder lives on, found from
// its handle. An error when the file system is not ext4 or its setting
// can't be read.
platform::Result<Ext4Reserve> ReadExt4Reserve(platform::Env& env, platform::Folder& on_volume);

// The lock file in the state folder that a fill holds while its reserve is
// lowered.
inline constexpr char kReserveLockName[] = "reserve.lock";

// A reserve lowered to zero; the destructor puts the old value back.
class LoweredReserve final {
 public:
  // Records the old value in the state folder, then lowers the reserve of
  // the ext4 file system on_volume lives on to zero. Holds kReserveLockName
  // until the reserve is restored, so no other start restores it meanwhile;
  // waits for it at most platform::kLockWaitMillis (ETIMEDOUT) and stops
  // waiting as soon as stop says so (ECANCELED). state must outlive the
  // result.
  static platform::Result<std::unique_ptr<LoweredReserve>> Lower(
      platform::Env& env, platform::Folder& on_volume, platform::Folder& state,
      const std::function<bool()>& stop = {});
  ~LoweredReserve();
  LoweredReserve(const LoweredReserve&) = delete;
  LoweredReserve& operator=(const LoweredReserve&) = delete;

  // Writes the old value back and removes the state file. Does nothing the
  // second time.
  platform::Status Restore();
  const Ext4Reserve& old() const { return old_; }

 private:
  LoweredReserve(platform::Env& env, Ext4Reserve old, platform::Folder& state, std::string note,
                 std::unique_ptr<platform::FileLock> lock)
      : env_(env),
        old_(std::move(old)),
        state_(state),
        note_(std::move(note)),
        lock_(std::move(lock)) {}

  platform::Env& env_;
  Ext4Reserve old_;
  platform::Folder& state_;
  std::string note_;
  std::unique_ptr<platform::FileLock> lock_;
  bool restored_ = false;
};

// Puts back every reserve recorded in the state folder by a fill that did
// not restore it, as long as it still holds the lowered value (a remount
// resets it). Does nothing while a running fill holds kReserveLockName. One
// notice per restored reserve when sink is given. Returns the count.
int RestoreAbandonedReserves(platform::Env& env, platform::Folder& state, job::EventSink* sink);

}  // namespace tarnwell::fill
