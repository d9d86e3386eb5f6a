#include "platform/fault_env.h"

#include <cerrno>

namespace tarnwell::platform {
namespace {

class FaultWritableFile final : public WritableFile {
 public:
  FaultWritableFile(FaultEnv& env, std::unique_ptr<WritableFile> real)
      : env_(env), real_(std::move(real)) {}

  const std::string& path() const override { return real_->path(); }
  Result<FileInfo> Stat() override { return real_->Stat(); }

  Result<size_t> WriteAt(uint64_t offset, const void* data, size_t length) override {
    if (auto failed = env_.Check("WriteAt", path())) return *failed;
    if (env_.fail_write) {
      if (auto fault = env_.fail_write(path(), offset, length, real_->direct())) {
        if (!fault->ok()) return *fault;
        const size_t shortened = **fault < length ? **fault : length;
        if (shortened == 0) return size_t{0};
        return real_->WriteAt(offset, data, shortened);
      }
    }
    return real_->WriteAt(offset, data, length);
  }

  Status SetDirect(bool on) override {
    if (on && env_.refuse_direct) {
      return Status::Error(EINVAL, "enable direct I/O on '" + path() + "': Invalid argument");
    }
    if (auto failed = env_.Check("SetDirect", path())) return *failed;
    return real_->SetDirect(on);
  }
  bool direct() const override { return real_->direct(); }
  size_t direct_alignment() const override { return real_->direct_alignment(); }

  Status DataSync() override {
    if (auto failed = env_.Check("DataSync", path())) return *failed;
    return real_->DataSync();
  }
  Status PunchHole(uint64_t offset, uint64_t length) override {
    if (auto failed = env_.Check("PunchHole", path())) return *failed;
    return real_->PunchHole(offset, length);
  }
  Status Allocate(uint64_t offset, uint64_t length) override {
    if (auto failed = env_.Check("Allocate", path())) return *failed;
    return real_->Allocate(offset, length);
  }
  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    if (auto failed = env_.Check("FileSetTimes", path())) return *failed;
    return real_->SetTimes(access, modification);
  }
  Status Close() override {
    Status real = real_->Close();
    if (auto failed = env_.Check("Close", path())) return *failed;
    return real;
  }
  Result<ByteRange> NextData(uint64_t from, uint64_t end) override {
    if (env_.no_hole_map) return ByteRange{from, end > from ? end - from : 0};
    return real_->NextData(from, end);
  }
  bool exclusive() override { return !env_.deny_exclusive && real_->exclusive(); }

 private:
  FaultEnv& env_;
  std::unique_ptr<WritableFile> real_;
};

// One stream of FaultEnv::streams, written in place.
class FakeStreamFile final : public WritableFile {
 public:
  FakeStreamFile(FaultEnv& env, std::string file, std::string stream, FileInfo identity)
      : env_(env),
        file_(std::move(file)),
        stream_(std::move(stream)),
        path_(file_ + ":" + stream_),
        identity_(identity) {}

  const std::string& path() const override { return path_; }
  Result<FileInfo> Stat() override {
    FileInfo info = identity_;
    info.size = Content().size();
    info.allocated = info.size;
    return info;
  }
  Result<size_t> WriteAt(uint64_t offset, const void* data, size_t length) override {
    if (auto failed = env_.Check("WriteAt", path_)) return *failed;
    std::string& content = Content();
    if (content.size() < offset + length) content.resize(offset + length);
    content.replace(offset, length, static_cast<const char*>(data), length);
    return length;
  }
  Status SetDirect(bool on) override {
    return on ? Status::Error(EINVAL, "direct I/O on '" + path_ + "': Invalid argument")
              : Status::Ok();
  }
  bool direct() const override { return false; }
  size_t direct_alignment() const override { return 0; }
  Status DataSync() override {
    if (auto failed = env_.Check("DataSync", path_)) return *failed;
    return Status::Ok();
  }
  Status PunchHole(uint64_t, uint64_t) override { return Status::Error(ENOTSUP, path_); }
  Status Allocate(uint64_t, uint64_t) override { return Status::Error(ENOTSUP, path_); }
  Status SetTimes(const FileTime&, const FileTime&) override { return Status::Ok(); }
  Status Close() override { return Status::Ok(); }
  Result<ByteRange> NextData(uint64_t from, uint64_t end) override {
    return ByteRange{from, end > from ? end - from : 0};
  }
  bool exclusive() override { return true; }

 private:
  std::string& Content() { return env_.streams[file_][stream_]; }

  FaultEnv& env_;
  std::string file_;
  std::string stream_;
  std::string path_;
  FileInfo identity_;
};

class FaultReadableFile final : public ReadableFile {
 public:
  FaultReadableFile(FaultEnv& env, std::unique_ptr<ReadableFile> real, std::string path)
      : env_(env), real_(std::move(real)), path_(std::move(path)) {}

  Result<size_t> ReadAt(uint64_t offset, void* data, size_t length) override {
    if (auto failed = env_.Check("ReadAt", path_)) return *failed;
    Result<size_t> n = real_->ReadAt(offset, data, length);
    if (n.ok() && env_.corrupt_read) env_.corrupt_read(path_, offset, data, *n);
    return n;
  }
  Status DropCache() override { return real_->DropCache(); }
  Status Close() override { return real_->Close(); }

 private:
  FaultEnv& env_;
  std::unique_ptr<ReadableFile> real_;
  std::string path_;
};

class FaultFolder final : public Folder {
 public:
  FaultFolder(FaultEnv& env, std::unique_ptr<Folder> real) : env_(env), real_(std::move(real)) {}

  const std::string& path() const override { return real_->path(); }
  Result<FileInfo> Stat() override { return real_->Stat(); }
  Result<FileSystemInfo> StatFs() override {
    if (auto failed = env_.Check("StatFs", path())) return *failed;
    return real_->StatFs();
  }
  Result<FileInfo> DescribeAt(const std::string& name) override {
    if (auto failed = env_.Check("DescribeAt", Child(name))) return *failed;
    return real_->DescribeAt(name);
  }
  Result<std::unique_ptr<Folder>> OpenFolderAt(const std::string& name,
                                               const FileInfo* expected) override {
    if (auto failed = env_.Check("OpenFolderAt", Child(name))) return *failed;
    Result<std::unique_ptr<Folder>> folder = real_->OpenFolderAt(name, expected);
    if (!folder.ok()) return folder.status();
    return std::unique_ptr<Folder>(new FaultFolder(env_, std::move(*folder)));
  }
  Result<std::unique_ptr<WritableFile>> OpenAt(const std::string& name, const FileInfo* expected,
                                               bool exclusive) override {
    if (auto failed = env_.Check("OpenAt", Child(name))) return *failed;
    Result<std::unique_ptr<WritableFile>> file =
        real_->OpenAt(name, expected, exclusive && !env_.deny_exclusive);
    if (!file.ok()) return file.status();
    return std::unique_ptr<WritableFile>(new FaultWritableFile(env_, std::move(*file)));
  }
  Result<std::vector<std::string>> ListNames() override {
    if (auto failed = env_.Check("ListNamesAt", path())) return *failed;
    return real_->ListNames();
  }
  Result<std::unique_ptr<ReadableFile>> OpenForReadingAt(const std::string& name,
                                                         const FileInfo* expected) override {
    if (auto failed = env_.Check("OpenForReadingAt", Child(name))) return *failed;
    Result<std::unique_ptr<ReadableFile>> file = real_->OpenForReadingAt(name, expected);
    if (!file.ok()) return file.status();
    return std::unique_ptr<ReadableFile>(
        new FaultReadableFile(env_, std::move(*file), Child(name)));
  }
  Status AddOwnerWriteAt(const std::string& name, const FileInfo* expected) override {
    if (auto failed = env_.Check("AddOwnerWriteAt", Child(name))) return *failed;
    return real_->AddOwnerWriteAt(name, expected);
  }
  Status CheckRemovable(const std::string& name) override {
    if (auto failed = env_.Check("CheckRemovable", Child(name))) return *failed;
    return real_->CheckRemovable(name);
  }
  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    if (auto failed = env_.Check("FolderSetTimes", path())) return *failed;
    return real_->SetTimes(access, modification);
  }
  Status RenameAt(const std::string& from, const std::string& to) override {
    if (auto failed = env_.Check("RenameAt", Child(from))) return *failed;
    return real_->RenameAt(from, to);
  }
  Status RemoveAt(const std::string& name, bool folder) override {
    if (auto failed = env_.Check("RemoveAt", Child(name))) return *failed;
    return real_->RemoveAt(name, folder);
  }
  Status CreateAt(const std::string& name) override {
    if (auto failed = env_.Check("CreateAt", Child(name))) return *failed;
    return real_->CreateAt(name);
  }
  Result<std::vector<std::string>> ListStreamsAt(const std::string& name) override {
    if (auto failed = env_.Check("ListStreamsAt", Child(name))) return *failed;
    std::vector<std::string> names;
    auto found = env_.streams.find(Child(name));
    if (found == env_.streams.end()) return names;
    for (const auto& [stream, content] : found->second) names.push_back(stream);
    return names;
  }
  Result<std::unique_ptr<WritableFile>> OpenStreamAt(const std::string& name,
                                                     const std::string& stream,
                                                     const FileInfo* expected) override {
    const std::string file = Child(name);
    if (auto failed = env_.Check("OpenStreamAt", file + ":" + stream)) return *failed;
    Result<FileInfo> info = real_->DescribeAt(name);
    if (!info.ok()) return info.status();
    if (expected != nullptr && !SameObject(*info, *expected)) {
      return Status::Error(ESTALE, "'" + file + "' is no longer what was listed");
    }
    auto found = env_.streams.find(file);
    if (found == env_.streams.end() || found->second.count(stream) == 0) {
      return Status::Error(ENOENT, "open stream '" + file + ":" + stream + "': none");
    }
    return std::unique_ptr<WritableFile>(new FakeStreamFile(env_, file, stream, *info));
  }
  Status RemoveStreamAt(const std::string& name, const std::string& stream) override {
    const std::string file = Child(name);
    if (auto failed = env_.Check("RemoveStreamAt", file + ":" + stream)) return *failed;
    auto found = env_.streams.find(file);
    if (found == env_.streams.end() || found->second.erase(stream) == 0) {
      return Status::Error(ENOENT, "remove stream '" + file + ":" + stream + "': none");
    }
    if (found->second.empty()) env_.streams.erase(found);
    return Status::Ok();
  }
  Status MakeFolderAt(const std::string& name) override {
    if (auto failed = env_.Check("MakeFolderAt", Child(name))) return *failed;
    return real_->MakeFolderAt(name);
  }
  Status ReplaceFileAt(const std::string& name, std::string_view content,
                       const FileInfo& like) override {
    if (auto failed = env_.Check("ReplaceFileAt", Child(name))) return *failed;
    return real_->ReplaceFileAt(name, content, like);
  }
  Status Sync() override {
    if (auto failed = env_.Check("SyncFolder", path())) return *failed;
    return real_->Sync();
  }
  bool SyncFileSystemReachesFiles() const override { return real_->SyncFileSystemReachesFiles(); }
  Status SyncFileSystem() override {
    if (auto failed = env_.Check("SyncFileSystem", path())) return *failed;
    return real_->SyncFileSystem();
  }
  size_t MaxNameLength() override { return real_->MaxNameLength(); }
  Result<std::unique_ptr<WritableFile>> CreateLockedAt(const std::string& name,
                                                       std::unique_ptr<FileLock>* lock) override {
    if (auto failed = env_.Check("CreateLockedAt", Child(name))) return *failed;
    Result<std::unique_ptr<WritableFile>> file = real_->CreateLockedAt(name, lock);
    if (!file.ok()) return file.status();
    return std::unique_ptr<WritableFile>(new FaultWritableFile(env_, std::move(*file)));
  }
  Result<std::unique_ptr<FileLock>> TryLockAt(const std::string& name, bool create,
                                              FileInfo* info) override {
    if (auto failed = env_.Check("TryLockAt", Child(name))) return *failed;
    return real_->TryLockAt(name, create, info);
  }
  Result<VolumeSpace> Space() override {
    if (auto failed = env_.Check("Space", path())) return *failed;
    Result<VolumeSpace> space = real_->Space();
    if (space.ok() && env_.adjust_space) env_.adjust_space(path(), *space);
    return space;
  }
  Result<MountInfo> Mount() override {
    if (auto failed = env_.Check("Mount", path())) return *failed;
    return real_->Mount();
  }
  Status CheckpointJournal(bool zero_out, bool dry_run) override {
    if (auto failed = env_.Check(zero_out ? "ZeroOutJournal" : "CheckpointJournal", path())) {
      return *failed;
    }
    return real_->CheckpointJournal(zero_out, dry_run);
  }

 private:
  std::string Child(const std::string& name) const {
    return path() == "/" ? "/" + name : path() + "/" + name;
  }

  FaultEnv& env_;
  std::unique_ptr<Folder> real_;
};

}  // namespace

std::optional<Status> FaultEnv::Check(const std::string& operation, const std::string& path) {
  // Recursive: a hook may call back into this environment.
  const std::lock_guard lock(hooks_lock_);
  if (observe) observe(operation, path);
  if (fail_call) return fail_call(operation, path);
  return std::nullopt;
}

Result<FileInfo> FaultEnv::Describe(const std::string& path) {
  if (auto failed = Check("Describe", path)) return *failed;
  return real_.Describe(path);
}

Result<std::unique_ptr<Directory>> FaultEnv::OpenDirectory(const std::string& path) {
  if (auto failed = Check("OpenDirectory", path)) return *failed;
  return real_.OpenDirectory(path);
}

Result<std::unique_ptr<Folder>> FaultEnv::OpenFolder(const std::string& path,
                                                     const FileInfo* expected) {
  if (auto failed = Check("OpenFolder", path)) return *failed;
  Result<std::unique_ptr<Folder>> folder = real_.OpenFolder(path, expected);
  if (!folder.ok()) return folder.status();
  return std::unique_ptr<Folder>(new FaultFolder(*this, std::move(*folder)));
}

Result<std::unique_ptr<Folder>> FaultEnv::OpenPrivateFolder(const std::string& path) {
  if (auto failed = Check("OpenPrivateFolder", path)) return *failed;
  Result<std::unique_ptr<Folder>> folder = real_.OpenPrivateFolder(path);
  if (!folder.ok()) return folder.status();
  return std::unique_ptr<Folder>(new FaultFolder(*this, std::move(*folder)));
}

Result<std::unique_ptr<WritableFile>> FaultEnv::OpenForOverwrite(const std::string& path,
                                                                 const FileInfo* expected) {
  if (auto failed = Check("OpenForOverwrite", path)) return *failed;
  Result<std::unique_ptr<WritableFile>> file = real_.OpenForOverwrite(path, expected);
  if (!file.ok()) return file.status();
  return std::unique_ptr<WritableFile>(new FaultWritableFile(*this, std::move(*file)));
}

Result<std::unique_ptr<WritableFile>> FaultEnv::CreateExclusive(const std::string& path,
                                                                uint32_t mode) {
  if (auto failed = Check("CreateExclusive", path)) return *failed;
  Result<std::unique_ptr<WritableFile>> file = real_.CreateExclusive(path, mode);
  if (!file.ok()) return file.status();
  return std::unique_ptr<WritableFile>(new FaultWritableFile(*this, std::move(*file)));
}

Status FaultEnv::SetTimes(const std::string& path, const FileTime& access,
                          const FileTime& modification) {
  if (auto failed = Check("SetTimes", path)) return *failed;
  return real_.SetTimes(path, access, modification);
}

Status FaultEnv::RenameNoReplace(const std::string& from, const std::string& to) {
  if (auto failed = Check("RenameNoReplace", from)) return *failed;
  return real_.RenameNoReplace(from, to);
}

Status FaultEnv::RemoveFile(const std::string& path) {
  if (auto failed = Check("RemoveFile", path)) return *failed;
  return real_.RemoveFile(path);
}

Result<std::string> FaultEnv::ReadFile(const std::string& path) {
  if (auto failed = Check("ReadFile", path)) return *failed;
  return real_.ReadFile(path);
}

Status FaultEnv::ReplaceFileAtomically(const std::string& path, std::string_view content,
                                       Durability durability) {
  if (auto failed = Check("ReplaceFileAtomically", path)) return *failed;
  return real_.ReplaceFileAtomically(path, content, durability);
}

Status FaultEnv::CreateFileIfMissing(const std::string& path) {
  if (auto failed = Check("CreateFileIfMissing", path)) return *failed;
  return real_.CreateFileIfMissing(path);
}

Status FaultEnv::CreateDirectories(const std::string& path) {
  if (auto failed = Check("CreateDirectories", path)) return *failed;
  return real_.CreateDirectories(path);
}

Result<MountInfo> FaultEnv::FindMount(const std::string& path) {
  if (auto failed = Check("FindMount", path)) return *failed;
  return real_.FindMount(path);
}

Status FaultEnv::OpenWithDefaultProgram(const std::string& target) {
  if (auto failed = Check("OpenWithDefaultProgram", target)) return *failed;
  return real_.OpenWithDefaultProgram(target);
}

// item list

Result<std::vector<std::string>> FaultEnv::ListNames(const std::string& folder) {
  if (auto failed = Check("ListNames", folder)) return *failed;
  return real_.ListNames(folder);
}

Result<uint64_t> FaultEnv::MountId(const std::string& path) {
  if (auto failed = Check("MountId", path)) return *failed;
  return real_.MountId(path);
}

Status FaultEnv::WriteKernelSetting(const std::string& path, std::string_view value) {
  if (auto failed = Check("WriteKernelSetting", path)) return *failed;
  return real_.WriteKernelSetting(path, value);
}

}  // namespace tarnwell::platform
