// A test double that forwards to a real Env and fails chosen calls on demand:
// the faults the real OS cannot be made to produce (short writes, ENOSPC,
// EINVAL from direct I/O, a failing sync). Thread-safe as long as the hooks are
// set before other threads use it; fail_call and observe are called one at a
// time, so a test's hook needs no lock of its own.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/env_wrapper.h"

namespace tarnwell::platform {

class FaultEnv final : public EnvWrapper {
 public:
  explicit FaultEnv(Env& real) : EnvWrapper(real), real_(real) {}

  // Called before every path operation with its name ("Describe",
  // "OpenForOverwrite", "RenameNoReplace", "RemoveFile", ...) and the path;
  // returning a Status fails the call with it instead of forwarding.
  std::function<std::optional<Status>(const std::string& operation, const std::string& path)>
      fail_call;
  // Called before every WriteAt. Return a byte count to pretend a short write
  // (the bytes are really written up to that count), or a Status to fail it.
  std::function<std::optional<Result<size_t>>(const std::string& path, uint64_t offset,
                                              size_t length, bool direct)>
      fail_write;
  // Called before ReadAt; may change the bytes read (to fake stale data).
  std::function<void(const std::string& path, uint64_t offset, void* data, size_t length)>
      corrupt_read;
  // Makes SetDirect(true) fail like a file system without O_DIRECT.
  bool refuse_direct = false;
  // Makes NextData answer "all of it is data", like a file system that cannot
  // tell holes apart.
  bool no_hole_map = false;
  // Makes every file opened exclusively report that it is not (a file system
  // without leases).
  bool deny_exclusive = false;
  // A fake of named data streams, which Linux files lack: the streams of a
  // file by its full path, with their contents. Folders list, open, write
  // and remove streams here only (a file without an entry has none); they
  // report "ListStreamsAt", "OpenStreamAt", "RemoveStreamAt", and each
  // write as "WriteAt", with "path:stream". Not thread-safe.
  std::map<std::string, std::map<std::string, std::string>> streams;
  // Called with every Space answer of a folder and its path; may change the
  // figures, for a volume whose free space moves as a test wants.
  std::function<void(const std::string& path, VolumeSpace& space)> adjust_space;
  // Counts calls per operation name, for assertions.
  std::function<void(const std::string& operation, const std::string& path)> observe;

  // ---- erase: a fake clock for countdowns and throttles ----
  // When set, MonotonicMillis returns clock() and SleepMillis calls sleep()
  // instead of waiting.
  std::function<int64_t()> clock;
  std::function<void(int64_t milliseconds)> sleep;

  // ---- a fake system, for the choice of folders ----
  // When set, GetEnvironment answers from environment instead of the real
  // one, and IsPrivileged, UserStateFolder and IsAbsolutePath from these (the
  // last stands in for another system's rule of paths).
  std::function<std::optional<std::string>(const std::string& name)> environment;
  std::optional<bool> privileged;
  std::optional<std::string> user_state_folder;
  // Answers IsSystemProgramFolder for every path when set.
  std::optional<bool> system_program_folder;
  std::function<bool(const std::string& path)> is_absolute;
  // When set, the desktop stores of the running user, of other accounts
  // (by name) and the mount table come from these.
  std::optional<DesktopStores> user_stores;
  std::function<Result<DesktopStores>(const std::string& account)> account_stores;
  std::optional<std::vector<MountInfo>> mounts;

  Result<FileInfo> Describe(const std::string& path) override;
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override;
  // Folder handles report their calls to fail_call and observe as
  // "OpenFolder", "OpenFolderAt", "OpenAt", "DescribeAt", "ListNamesAt",
  // "OpenForReadingAt", "AddOwnerWriteAt", "CheckRemovable", "FolderSetTimes", "RenameAt",
  // "RemoveAt", "CreateAt", "MakeFolderAt", the stream calls above, "SyncFolder", "SyncFileSystem",
  // "StatFs", "CreateLockedAt", "TryLockAt", "Space", "Mount", "CheckpointJournal" and
  // "ZeroOutJournal" (a checkpoint with zero_out), each with the full path of the entry (for
  // RenameAt the old one; for the folder's own calls its path). A test changes the tree at such a
  // call to stage a race.
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path,
                                             const FileInfo* expected) override;
  // Reported as "OpenPrivateFolder"; the folder's calls as above.
  Result<std::unique_ptr<Folder>> OpenPrivateFolder(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> OpenForOverwrite(const std::string& path,
                                                         const FileInfo* expected) override;
  Result<std::unique_ptr<WritableFile>> CreateExclusive(const std::string& path,
                                                        uint32_t mode) override;
  Status SetTimes(const std::string& path, const FileTime& access,
                  const FileTime& modification) override;
  Status RenameNoReplace(const std::string& from, const std::string& to) override;
  Status RemoveFile(const std::string& path) override;
  Result<std::string> ReadFile(const std::string& path) override;
  Status ReplaceFileAtomically(const std::string& path, std::string_view content,
                               Durability durability) override;
  Status CreateFileIfMissing(const std::string& path) override;
  Status CreateDirectories(const std::string& path) override;
  Result<MountInfo> FindMount(const std::string& path) override;
  Result<std::vector<MountInfo>> ListMounts() override {
    if (mounts) return *mounts;
    return real_.ListMounts();
  }
  std::optional<std::string> GetEnvironment(const std::string& name) override {
    return environment ? environment(name) : real_.GetEnvironment(name);
  }
  bool IsSystemProgramFolder(const std::string& path) override {
    return system_program_folder.value_or(real_.IsSystemProgramFolder(path));
  }
  std::string UserStateFolder() override {
    return user_state_folder.value_or(real_.UserStateFolder());
  }
  Status OpenWithDefaultProgram(const std::string& target) override;
  bool IsPrivileged() override { return privileged.value_or(real_.IsPrivileged()); }
  DesktopStores UserDesktopStores() override {
    return user_stores.value_or(real_.UserDesktopStores());
  }
  Result<DesktopStores> AccountDesktopStores(const std::string& account) override {
    return account_stores ? account_stores(account) : real_.AccountDesktopStores(account);
  }
  int64_t MonotonicMillis() override { return clock ? clock() : real_.MonotonicMillis(); }
  void SleepMillis(int64_t milliseconds) override {
    if (sleep) {
      sleep(milliseconds);
    } else {
      real_.SleepMillis(milliseconds);
    }
  }
  // item list
  Result<std::vector<std::string>> ListNames(const std::string& folder) override;
  Result<uint64_t> MountId(const std::string& path) override;

  // ---- free-space fill ----
  bool IsAbsolutePath(const std::string& path) override {
    return is_absolute ? is_absolute(path) : real_.IsAbsolutePath(path);
  }
  Status WriteKernelSetting(const std::string& path, std::string_view value) override;
  Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) override {
    if (auto failed = Check("ReadFile", path)) return *failed;
    return real_.ReadRegularFile(path, max_bytes);
  }

  // Forwarding helpers used by the wrapped file objects.
  std::optional<Status> Check(const std::string& operation, const std::string& path);

 private:
  Env& real_;
  std::recursive_mutex hooks_lock_;
};

}  // namespace tarnwell::platform
