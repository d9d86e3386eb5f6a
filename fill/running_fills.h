// What must outlive a killed fill until the next start of the program: which
// folders running fills write into. Every start (window, fill, erase) cleans
// up after fills that no longer run, whatever folder it was started for.
#pragma once

#include <memory>
#include <string>

#include "core/window_port.h"
#include "platform/env.h"

namespace tarnwell::fill {

// The folder for the program's run-time state: $TARNWELL_STATE_DIR when it
// is an absolute path on this system (tests), else the system's
// MachineStateFolder for root or an administrator (on Linux emptied at boot,
// when the kernel forgets a lowered ext4 reserve as well) and the user's own
// UserStateFolder for others; "" when the user has none.
std::string RuntimeStateFolder(platform::Env& env);

// A running fill's record in the state folder: a file naming its fill folder,
// locked while the fill runs and removed when it ends. A killed fill's record
// stays, unlocked.
class RunningFillRecord final {
 public:
  // Null when the record cannot be made (no state folder, no rights); the
  // fill runs all the same, only a kill then leaves files until a fill of the
  // same folder.
  static std::unique_ptr<RunningFillRecord> Create(platform::Env& env,
                                                   const std::string& state_folder,
                                                   const std::string& fill_folder);
  ~RunningFillRecord();
  RunningFillRecord(const RunningFillRecord&) = delete;
  RunningFillRecord& operator=(const RunningFillRecord&) = delete;

 private:
  RunningFillRecord(platform::Env& env, std::string path, std::unique_ptr<platform::FileLock> lock)
      : env_(env), path_(std::move(path)), lock_(std::move(lock)) {}

  platform::Env& env_;
  std::string path_;
  std::unique_ptr<platform::FileLock> lock_;
};

// For every record in state_folder that no running fill holds: removes the
// fill's leftovers in the folder it names (a row with the count) and the
// record; then puts back ext4 reserves a killed fill left lowered. Never
// waits for a running fill. Returns the number of files removed.
int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            core::WindowPort& window);

}  // namespace tarnwell::fill
