// Notes that must outlive a killed job until the next start of the program,
// kept in the running user's private state folder and reached only through
// its handle. The fill and the erase each keep their own kind of note here.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "job/event_sink.h"
#include "platform/env.h"

namespace tarnwell::job {

// The folder for the program's run-time state: $TARNWELL_STATE_DIR when it
// is an absolute path on this system (tests), else the system's
// MachineStateFolder for root or an administrator (on Linux emptied at boot)
// and the user's own UserStateFolder for others, so root's notes and a
// user's never mix; "" when the user has none.
std::string RuntimeStateFolder(platform::Env& env);

// The state folder at path, made when missing and checked to be this user's
// alone (see Env::OpenPrivateFolder); null for an empty path, and null with
// a warning notice naming the folder and the reason when it is refused.
std::unique_ptr<platform::Folder> OpenStateFolder(platform::Env& env, const std::string& path,
                                                  EventSink& sink);

// Creates the new note name in folder with content (never replacing
// anything: EEXIST) and holds its lock in *lock when lock is given.
platform::Status WriteNewNote(platform::Folder& folder, const std::string& name,
                              std::string_view content,
                              std::unique_ptr<platform::FileLock>* lock = nullptr);

// The whole note name in folder, a regular file of at most max_bytes (EFBIG
// beyond); links, FIFOs and devices are refused without blocking.
platform::Result<std::string> ReadNote(platform::Folder& folder, const std::string& name,
                                       size_t max_bytes);

// A running job's note: made under prefix + a random name, locked while the
// job runs, grown by Append, removed when destroyed. A killed job's note stays
// behind unlocked, which is how the next start tells it from a running one.
class RunningNote final {
 public:
  // Null when the note cannot be made (no state folder, no rights); the job
  // runs all the same. state must outlive the note.
  static std::unique_ptr<RunningNote> Create(platform::Env& env, platform::Folder* state,
                                             std::string_view prefix, std::string_view content);
  ~RunningNote();
  RunningNote(const RunningNote&) = delete;
  RunningNote& operator=(const RunningNote&) = delete;

  // Adds text at the end; a failure leaves the note as it was up to its
  // last whole append as far as the file system allows.
  platform::Status Append(std::string_view text);

 private:
  RunningNote(platform::Folder& state, std::string name,
              std::unique_ptr<platform::WritableFile> file,
              std::unique_ptr<platform::FileLock> lock, uint64_t size);

  platform::Folder& state_;
  std::string name_;
  std::unique_ptr<platform::WritableFile> file_;
  std::unique_ptr<platform::FileLock> lock_;
  uint64_t size_ = 0;
};

// Calls left_by_killed_job with the text of every note named prefix... in
// state that no running job holds (one at most max_bytes long), then removes
// the note. Never waits for a running job; a note another start is handling
// is passed over. Nothing happens without a state folder.
void ForEachAbandonedNote(platform::Folder* state, std::string_view prefix, size_t max_bytes,
                          const std::function<void(const std::string& text)>& left_by_killed_job);

}  // namespace tarnwell::job
