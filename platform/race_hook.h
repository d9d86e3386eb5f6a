// Pause points between a check and the use it guards, for tests that change
// the file system at exactly that moment instead of racing for it. The
// platform calls RacePoint at each; with no hook set that is one atomic load.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <utility>

namespace tarnwell::platform {

enum class RaceStep {
  // Folder::AddOwnerWriteAt: the entry was described, its mode is not changed yet.
  kOwnerWriteChecked,
  // Folder::SyncFileSystem: the folder is held, its file system not synced yet.
  kBeforeFileSystemSync,
  // The fill folder was opened and checked, no temporary file made in it yet.
  kFillFolderOpened,
  // The fill's files were written, not deleted yet.
  kBeforeFillDeletes,
  // The state folder was checked, no note made or read in it yet.
  kStateFolderChecked,
};

// Called with the step and the path of the entry it is about.
using RaceHook = std::function<void(RaceStep step, const std::string& path)>;

namespace race_detail {
inline std::atomic<bool>& Armed() {
  static std::atomic<bool> armed{false};
  return armed;
}
inline std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
inline RaceHook& Hook() {
  static RaceHook hook;
  return hook;
}
}  // namespace race_detail

// Tests only: runs hook at every step from now on (an empty hook clears it).
// The hook runs on the thread that reached the step and must not set another.
inline void SetRaceHook(RaceHook hook) {
  const std::lock_guard<std::mutex> held(race_detail::Lock());
  race_detail::Armed() = static_cast<bool>(hook);
  race_detail::Hook() = std::move(hook);
}

inline void RacePoint(RaceStep step, const std::string& path) {
  if (!race_detail::Armed().load(std::memory_order_acquire)) return;
  RaceHook hook;
  {
    const std::lock_guard<std::mutex> held(race_detail::Lock());
    hook = race_detail::Hook();
  }
  if (hook) hook(step, path);
}

}  // namespace tarnwell::platform
