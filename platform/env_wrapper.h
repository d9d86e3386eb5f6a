// An Env that hands every call to another one. A test double derives from
// it and overrides only what it fakes, so a new Env call needs no new
// forwarding code in every double.
#pragma once

#include "platform/env.h"

namespace tarnwell::platform {

class EnvWrapper : public Env {
 public:
  explicit EnvWrapper(Env& wrapped) : wrapped_(wrapped) {}

  Result<FileInfo> Describe(const std::string& path) override { return wrapped_.Describe(path); }
  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    return wrapped_.OpenDirectory(path);
  }
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path,
                                             const FileInfo* expected) override {
    return wrapped_.OpenFolder(path, expected);
  }
  Result<std::unique_ptr<Folder>> OpenPrivateFolder(const std::string& path) override {
    return wrapped_.OpenPrivateFolder(path);
  }
  Result<std::string> ResolvePath(const std::string& path) override {
    return wrapped_.ResolvePath(path);
  }
  std::string UserPath(const std::string& typed) override { return wrapped_.UserPath(typed); }
  bool IsAbsolutePath(const std::string& path) override { return wrapped_.IsAbsolutePath(path); }
  Result<std::unique_ptr<WritableFile>> OpenForOverwrite(const std::string& path,
                                                         const FileInfo* expected) override {
    return wrapped_.OpenForOverwrite(path, expected);
  }
  Result<std::unique_ptr<WritableFile>> CreateExclusive(const std::string& path,
                                                        uint32_t mode) override {
    return wrapped_.CreateExclusive(path, mode);
  }
  Status SetTimes(const std::string& path, const FileTime& access,
                  const FileTime& modification) override {
    return wrapped_.SetTimes(path, access, modification);
  }
  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    return wrapped_.RenameNoReplace(from, to);
  }
  Status RemoveFile(const std::string& path) override { return wrapped_.RemoveFile(path); }
  size_t MaxNameLength(const std::string& folder) override {
    return wrapped_.MaxNameLength(folder);
  }
  Result<std::string> ReadFile(const std::string& path) override { return wrapped_.ReadFile(path); }
  Status ReplaceFileAtomically(const std::string& path, std::string_view content,
                               Durability durability) override {
    return wrapped_.ReplaceFileAtomically(path, content, durability);
  }
  Status CreateFileIfMissing(const std::string& path) override {
    return wrapped_.CreateFileIfMissing(path);
  }
  Status CreateDirectories(const std::string& path) override {
    return wrapped_.CreateDirectories(path);
  }
  bool IsWritableDirectory(const std::string& path) override {
    return wrapped_.IsWritableDirectory(path);
  }
  Result<MountInfo> FindMount(const std::string& path) override { return wrapped_.FindMount(path); }
  Result<std::vector<MountInfo>> ListMounts() override { return wrapped_.ListMounts(); }
  Result<std::string> ExecutablePath() override { return wrapped_.ExecutablePath(); }
  std::optional<std::string> GetEnvironment(const std::string& name) override {
    return wrapped_.GetEnvironment(name);
  }
  std::string TempDirectory() override { return wrapped_.TempDirectory(); }
  std::string UserSettingsFolder() override { return wrapped_.UserSettingsFolder(); }
  bool IsSystemProgramFolder(const std::string& path) override {
    return wrapped_.IsSystemProgramFolder(path);
  }
  std::string MachineStateFolder() override { return wrapped_.MachineStateFolder(); }
  std::string UserStateFolder() override { return wrapped_.UserStateFolder(); }
  std::string LanguageLocale() override { return wrapped_.LanguageLocale(); }
  NumberFormat UserNumberFormat() override { return wrapped_.UserNumberFormat(); }
  Result<int64_t> LocalTimeToEpoch(const CalendarTime& time) override {
    return wrapped_.LocalTimeToEpoch(time);
  }
  Status OpenWithDefaultProgram(const std::string& target) override {
    return wrapped_.OpenWithDefaultProgram(target);
  }
  bool IsPrivileged() override { return wrapped_.IsPrivileged(); }
  DesktopStores UserDesktopStores() override { return wrapped_.UserDesktopStores(); }
  Result<DesktopStores> AccountDesktopStores(const std::string& account) override {
    return wrapped_.AccountDesktopStores(account);
  }
  int64_t MonotonicMillis() override { return wrapped_.MonotonicMillis(); }
  void SleepMillis(int64_t milliseconds) override { wrapped_.SleepMillis(milliseconds); }
  int Random() override { return wrapped_.Random(); }
  Result<std::vector<std::string>> ListNames(const std::string& folder) override {
    return wrapped_.ListNames(folder);
  }
  Result<uint64_t> MountId(const std::string& path) override { return wrapped_.MountId(path); }
  void IgnoreFileSizeSignal() override { wrapped_.IgnoreFileSizeSignal(); }
  Result<std::string> AbsolutePath(const std::string& path) override {
    return wrapped_.AbsolutePath(path);
  }
  Result<std::string> BlockDeviceName(uint64_t device) override {
    return wrapped_.BlockDeviceName(device);
  }
  Status WriteKernelSetting(const std::string& path, std::string_view value) override {
    return wrapped_.WriteKernelSetting(path, value);
  }
  bool IsTerminal(int stream) override { return wrapped_.IsTerminal(stream); }
  int TerminalColumns(int stream) override { return wrapped_.TerminalColumns(stream); }
  void StopOnInterrupt(std::atomic<bool>* flag) override { wrapped_.StopOnInterrupt(flag); }
  Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) override {
    return wrapped_.ReadRegularFile(path, max_bytes);
  }

 protected:
  Env& wrapped() { return wrapped_; }

 private:
  Env& wrapped_;
};

}  // namespace tarnwell::platform
