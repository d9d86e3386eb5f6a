// What must outlive a killed fill until the next start of the program: which
// folders running fills write into. Every start (window, fill, erase) cleans
// up after fills that no longer run, whatever folder it was started for.
#pragma once

#include <memory>
#include <string>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::fill {

// The folder for the program's run-time state: $TARNWELL_STATE_DIR when it
// is an absolute path on this system (tests), else the system's
// MachineStateFolder for root or an administrator (on Linux emptied at boot,
// when the kernel forgets a lowered ext4 reserve as well) and the user's own
// UserStateFolder for others; "" when the user has none.
std::string RuntimeStateFolder(platform::Env& env);

// The state folder at path, made when missing and checked to be this user's
// alone (see Env::OpenPrivateFolder); null for an empty path, and null with
// a warning notice naming the folder and the reason when it is refused.
std::unique_ptr<platform::Folder> OpenStateFolder(platform::Env& env, const std::string& path,
                                                  job::EventSink& sink);

// A running fill's note in the state folder: the identity and the path of
// its fill folder, locked while the fill runs and removed when it ends. A
// killed fill's note stays, unlocked.
class RunningFillRecord final {
 public:
  // Null when the note cannot be made (no state folder, no rights); the fill
  // runs all the same, only a kill then leaves files until a fill of the
  // same folder. state must outlive the record.
  static std::unique_ptr<RunningFillRecord> Create(platform::Env& env, platform::Folder* state,
                                                   const std::string& fill_folder,
                                                   const platform::FileInfo& identity);
  ~RunningFillRecord();
  RunningFillRecord(const RunningFillRecord&) = delete;
  RunningFillRecord& operator=(const RunningFillRecord&) = delete;

 private:
  RunningFillRecord(platform::Folder& state, std::string name,
                    std::unique_ptr<platform::FileLock> lock)
      : state_(state), name_(std::move(name)), lock_(std::move(lock)) {}

  platform::Folder& state_;
  std::string name_;
  std::unique_ptr<platform::FileLock> lock_;
};

// For every note in the state folder that no running fill holds: removes
// the fill's leftovers (a notice with the count) through a handle on its folder
// that is still the object the note names, or says in a notice that it cannot;
// then removes the note and puts back ext4 reserves a killed fill left
// lowered. Never waits for a running fill. Returns the number of files
// removed; 0 without a state folder.
int CleanUpAfterKilledFills(platform::Env& env, platform::Folder* state, job::EventSink& sink);
// The same for the state folder at path, opened as OpenStateFolder does.
int CleanUpAfterKilledFills(platform::Env& env, const std::string& state_folder,
                            job::EventSink& sink);

}  // namespace tarnwell::fill
