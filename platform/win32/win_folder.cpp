// Folder handles on Windows: every entry is reached, renamed and removed
// relative to an open folder handle (NtCreateFile with a root directory,
// FileRenameInfo with a root directory, delete dispositions), so renaming or
// replacing a folder above it after the open cannot redirect anything.
#include "platform/win32/win_folder.h"

#include <winioctl.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/win32/win_relative.h"
#include "platform/win32/win_status.h"
#include "platform/win32/win_system.h"
#include "platform/win32/win_text.h"

namespace tarnwell::platform::win32 {
namespace {

// Rights a folder handle holds: list, reach entries, read and set its times.
constexpr DWORD kFolderAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
}

Status BadName(const std::string& folder, const std::string& name) {
  return Status::Error(EINVAL, "not an entry name in '" + folder + "': '" + name + "'");
}

Status NotExpected(const std::string& path) {
  return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
}

class WinFolder final : public Folder {
 public:
  WinFolder(UniqueHandle handle, std::string path)
      : handle_(std::move(handle)), path_(std::move(path)) {}

  const std::string& path() const override { return path_; }

  Result<FileInfo> Stat() override { return DescribeHandle(handle_.get(), path_); }

  Result<FileSystemInfo> StatFs() override {
    wchar_t name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(handle_.get(), nullptr, 0, nullptr, nullptr, nullptr, name,
                                       MAX_PATH + 1)) {
      return LastError("examine the volume of", path_);
    }
    FileSystemInfo info;
    info.type = ToUtf8(name);
    for (char& c : info.type) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return info;  // Windows shows no kernel views as files
  }

  Result<FileInfo> DescribeAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    Result<UniqueHandle> entry =
        Open(name, FILE_READ_ATTRIBUTES, kShareAll, EntryShape::kAny, 0, "examine");
    if (!entry.ok()) return entry.status();
    return DescribeHandle(entry->get(), Child(name));
  }

  Result<std::unique_ptr<Folder>> OpenFolderAt(const std::string& name,
                                               const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    Result<UniqueHandle> entry =
        Open(name, kFolderAccess, kShareAll, EntryShape::kAny, 0, "open folder");
    if (!entry.ok()) return entry.status();
    return MakeFolder(std::move(*entry), Child(name), expected);
  }

  Result<std::unique_ptr<WritableFile>> OpenAt(const std::string& name, const FileInfo* expected,
                                               bool) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    // Share mode 0 always: no other handle may be open now or while we write,
    // which is what exclusive asks for, and more.
    HANDLE folder = handle_.get();
    const std::wstring wide = ToWide(name);
    const std::string path = Child(name);
    Reopen reopen = [folder, wide, path](bool direct) {
      return OpenRelative(folder, wide, GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0,
                          EntryShape::kNonFolder,
                          FILE_WRITE_THROUGH | (direct ? FILE_NO_INTERMEDIATE_BUFFERING : 0),
                          "open for writing", path);
    };
    Result<UniqueHandle> file = reopen(false);
    if (!file.ok()) return file.status();
    return WrapWritable(std::move(*file), path, expected, std::move(reopen));
  }

  Result<std::vector<std::string>> ListNames() override {
    Result<UniqueHandle> again =
        Open("", FILE_LIST_DIRECTORY, kShareAll, EntryShape::kFolder, 0, "read folder");
    if (!again.ok()) return again.status();
    Result<std::unique_ptr<Directory>> listing = ListFolder(std::move(*again), path_);
    if (!listing.ok()) return listing.status();
    std::vector<std::string> names;
    DirEntry entry;
    while ((*listing)->Next(&entry)) names.push_back(entry.name);
    if (!(*listing)->status().ok()) return (*listing)->status();
    return names;
  }

  Result<std::unique_ptr<ReadableFile>> OpenForReadingAt(const std::string& name,
                                                         const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    Result<UniqueHandle> entry = Open(name, GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                      EntryShape::kNonFolder, 0, "open for reading");
    if (!entry.ok()) return entry.status();
    return WrapReadable(std::move(*entry), Child(name), expected);
  }

  Status AddOwnerWriteAt(const std::string& name, const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    // The attribute changes through the handle, on the object it holds.
    Result<UniqueHandle> entry = Open(name, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll,
                                      EntryShape::kAny, 0, "examine");
    if (!entry.ok()) return entry.status();
    if (expected != nullptr) {
      Result<FileInfo> info = DescribeHandle(entry->get(), Child(name));
      if (!info.ok()) return info.status();
      if (!SameObject(*info, *expected)) return NotExpected(Child(name));
    }
    return ClearReadOnly(entry->get(), Child(name));
  }

  Status CheckRemovable(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    // Windows decides on the open for deletion itself (the entry's rights or
    // the folder's delete-child right); a handle open elsewhere is the
    // erase's own "in use" case, decided when the file is opened for writing.
    Result<UniqueHandle> entry =
        Open(name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, EntryShape::kAny, 0, "remove");
    if (!entry.ok() && entry.status().code() != EBUSY) return entry.status();
    return Status::Ok();
  }

  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    const FILETIME a = ToFileTime(access);
    const FILETIME m = ToFileTime(modification);
    if (!SetFileTime(handle_.get(), &m, &a, &m)) return LastError("set times of", path_);
    return Status::Ok();
  }

  Status RenameAt(const std::string& from, const std::string& to) override {
    if (!IsPlainName(from)) return BadName(path_, from);
    if (!IsPlainName(to)) return BadName(path_, to);
    Result<UniqueHandle> entry = Open(from, DELETE, kShareAll, EntryShape::kAny, 0, "rename");
    if (!entry.ok()) return entry.status();
    return RenameHandle(entry->get(), handle_.get(), ToWide(to), Child(from));
  }

  Status RemoveAt(const std::string& name, bool folder) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    Result<UniqueHandle> entry = Open(name, DELETE | FILE_READ_ATTRIBUTES, kShareAll,
                                      EntryShape::kAny, 0, folder ? "remove folder" : "delete");
    if (!entry.ok()) return entry.status();
    Result<FileInfo> info = DescribeHandle(entry->get(), path);
    if (!info.ok()) return info.status();
    if (folder != (info->kind == FileKind::kDirectory)) {
      return Status::Error(folder ? ENOTDIR : EISDIR,
                           std::string(folder ? "remove folder" : "delete") + " '" + path +
                               "': " + (folder ? "not a folder" : "is a folder"));
    }
    return DeleteHandle(entry->get(), path);
  }

  Status CreateAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    return CreateRelative(handle_.get(), ToWide(name), Child(name));
  }

  Result<std::vector<std::string>> ListStreamsAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    // The listing call takes a path: the held folder's own, as the system
    // names it now. Read only; each stream is then opened through the handle.
    Result<std::string> where = FinalPathOf(handle_.get(), path_, false);
    if (!where.ok()) return where.status();
    const std::string file =
        where->empty() || where->back() == '/' ? *where + name : *where + "/" + name;
    std::vector<std::string> streams;
    WIN32_FIND_STREAM_DATA found{};
    HANDLE search = FindFirstStreamW(LongPath(file).c_str(), FindStreamInfoStandard, &found, 0);
    if (search == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      // No stream at all, or a file system (or wine) that keeps none.
      if (error == ERROR_HANDLE_EOF || error == ERROR_INVALID_PARAMETER ||
          error == ERROR_CALL_NOT_IMPLEMENTED || error == ERROR_NOT_SUPPORTED ||
          error == ERROR_INVALID_FUNCTION) {
        return streams;
      }
      return FromWin32(error, "list the streams of", Child(name));
    }
    do {
      // ":Zone.Identifier:$DATA"; the main stream is "::$DATA".
      std::wstring stream = found.cStreamName;
      constexpr std::wstring_view kData = L":$DATA";
      if (stream.size() > 1 + kData.size() && stream.front() == L':' && stream.ends_with(kData)) {
        streams.push_back(ToUtf8(stream.substr(1, stream.size() - 1 - kData.size())));
      }
    } while (FindNextStreamW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_HANDLE_EOF) return FromWin32(error, "list the streams of", Child(name));
    return streams;
  }

  Result<std::unique_ptr<WritableFile>> OpenStreamAt(const std::string& name,
                                                     const std::string& stream,
                                                     const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    if (stream.empty() || stream.find_first_of(":/\\") != std::string::npos) {
      return BadName(path_, name + ":" + stream);
    }
    HANDLE folder = handle_.get();
    const std::wstring wide = ToWide(name + ":" + stream);
    const std::string path = Child(name) + ":" + stream;
    Reopen reopen = [folder, wide, path](bool direct) {
      return OpenRelative(folder, wide, GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0,
                          EntryShape::kNonFolder,
                          FILE_WRITE_THROUGH | (direct ? FILE_NO_INTERMEDIATE_BUFFERING : 0),
                          "open stream for writing", path);
    };
    Result<UniqueHandle> file = reopen(false);
    if (!file.ok()) return file.status();
    // The stream's handle names its file: the identity is the file's.
    return WrapWritable(std::move(*file), path, expected, std::move(reopen));
  }

  Status RemoveStreamAt(const std::string& name, const std::string& stream) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    if (stream.empty() || stream.find_first_of(":/\\") != std::string::npos) {
      return BadName(path_, name + ":" + stream);
    }
    const std::string path = Child(name) + ":" + stream;
    // A delete disposition on a stream's handle removes that stream only.
    Result<UniqueHandle> entry =
        OpenRelative(handle_.get(), ToWide(name + ":" + stream), DELETE, kShareAll,
                     EntryShape::kNonFolder, 0, "remove stream", path);
    if (!entry.ok()) return entry.status();
    return DeleteHandle(entry->get(), path);
  }

  Status MakeFolderAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    return CreateRelativeFolder(handle_.get(), ToWide(name), Child(name));
  }

  Status ReplaceFileAt(const std::string& name, std::string_view content,
                       const FileInfo& like) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    Result<FileInfo> now = DescribeAt(name);
    if (!now.ok()) return now.status();
    if (now->kind != FileKind::kRegular || !SameObject(*now, like)) {
      return Status::Error(ESTALE, "'" + Child(name) + "' changed before it could be rewritten");
    }
    // The new file takes the folder's inherited rights, as the old one had.
    std::string temp;
    Status created = Status::Error(EEXIST, "create");
    for (int attempt = 0; attempt < 16 && created.code() == EEXIST; ++attempt) {
      temp = "." + name.substr(0, 64) + ".tarnwell-" + std::to_string(GetCurrentProcessId()) + "-" +
             std::to_string(GetTickCount64() + attempt);
      created = CreateRelative(handle_.get(), ToWide(temp), Child(temp));
    }
    if (!created.ok()) return created;
    Result<UniqueHandle> file =
        Open(temp, GENERIC_WRITE | DELETE, 0, EntryShape::kNonFolder, 0, "write");
    if (!file.ok()) return file.status();
    Status status = Status::Ok();
    for (size_t done = 0; status.ok() && done < content.size();) {
      DWORD written = 0;
      const DWORD ask = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 20));
      if (!WriteFile(file->get(), content.data() + done, ask, &written, nullptr) || written == 0) {
        status = LastError("write", Child(temp));
      }
      done += written;
    }
    if (status.ok() && !FlushFileBuffers(file->get())) status = LastError("sync", Child(temp));
    if (status.ok())
      status = RenameHandle(file->get(), handle_.get(), ToWide(name), Child(temp), true);
    if (!status.ok()) DeleteHandle(file->get(), Child(temp));
    return status;
  }

  Status Sync() override {
    Result<UniqueHandle> again =
        Open("", GENERIC_WRITE, kShareAll, EntryShape::kFolder, 0, "open folder");
    if (!again.ok()) return again.status();
    return FlushFolder(again->get(), path_);
  }

  Status SyncFileSystem() override { return FlushVolumeOf(handle_.get(), path_); }
  bool SyncFileSystemReachesFiles() const override { return false; }

  Result<std::unique_ptr<WritableFile>> CreateLockedAt(const std::string& name,
                                                       std::unique_ptr<FileLock>* lock) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::wstring wide = ToWide(name);
    const std::string path = Child(name);
    Result<UniqueHandle> creator = CreateRelativeOpen(
        handle_.get(), wide, GENERIC_READ | GENERIC_WRITE, kShareAll, false, path);
    if (!creator.ok()) return creator.status();
    Result<std::unique_ptr<FileLock>> held = LockHandle(std::move(*creator), false, path);
    if (!held.ok()) {
      return Status::Error(held.status().code() == EWOULDBLOCK ? EAGAIN : held.status().code(),
                           held.status().message());
    }
    // The lock's handle stays open, so the writer shares the file with it.
    HANDLE folder = handle_.get();
    Reopen reopen = [folder, wide, path](bool direct) {
      return OpenRelative(folder, wide, GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, kShareAll,
                          EntryShape::kNonFolder,
                          FILE_WRITE_THROUGH | (direct ? FILE_NO_INTERMEDIATE_BUFFERING : 0),
                          "open for writing", path);
    };
    Result<UniqueHandle> file = reopen(false);
    if (!file.ok()) return file.status();
    *lock = std::move(*held);
    return WrapWritable(std::move(*file), path, nullptr, std::move(reopen));
  }

  Result<std::unique_ptr<FileLock>> TryLockAt(const std::string& name, bool create,
                                              FileInfo* info) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    // Read access only, so that the holder may still read the file itself.
    Result<UniqueHandle> entry =
        create ? CreateRelativeOpen(handle_.get(), ToWide(name),
                                    GENERIC_READ | FILE_READ_ATTRIBUTES, kShareAll, true, path)
               : Open(name, GENERIC_READ | FILE_READ_ATTRIBUTES, kShareAll, EntryShape::kAny, 0,
                      "open for locking");
    if (!entry.ok()) return entry.status();
    Result<FileInfo> locked = DescribeHandle(entry->get(), path);
    if (!locked.ok()) return locked.status();
    if (locked->kind == FileKind::kSymlink) return Status::Error(ELOOP, "'" + path + "' is a link");
    if (locked->kind != FileKind::kRegular) {
      return Status::Error(EINVAL, "not a regular file: '" + path + "'");
    }
    Result<std::unique_ptr<FileLock>> lock = LockHandle(std::move(*entry), false, path);
    if (!lock.ok()) return lock.status();
    if (create) {
      // A lock file removed by its last holder is no lock any more.
      Result<FileInfo> named = DescribeAt(name);
      if (!named.ok() || !SameObject(*named, *locked)) {
        return Status::Error(EWOULDBLOCK, "lock '" + path + "': replaced meanwhile");
      }
    }
    if (info != nullptr) *info = *locked;
    return lock;
  }

  Result<VolumeSpace> Space() override {
    Result<std::string> where = FinalPathOf(handle_.get(), path_, true);
    if (!where.ok()) return where.status();
    Result<VolumeSpace> space = VolumeSpaceOf(*where);
    if (space.ok() || !where->starts_with("\\\\?\\Volume{")) return space;
    // A volume path its own system cannot take apart (wine): the drive path.
    where = FinalPathOf(handle_.get(), path_, false);
    if (!where.ok()) return where.status();
    return VolumeSpaceOf(*where);
  }

  Result<MountInfo> Mount() override {
    // The drive path: its mount point is what rows show.
    Result<std::string> where = FinalPathOf(handle_.get(), path_, false);
    if (!where.ok()) return where.status();
    return VolumeInfoOf(*where);
  }

  Status CheckpointJournal(bool, bool) override {
    return Status::Error(ENOTTY, "checkpoint the journal of '" + path_ + "': none on Windows");
  }

  size_t MaxNameLength() override {
    DWORD longest = 0;
    if (GetVolumeInformationByHandleW(handle_.get(), nullptr, 0, nullptr, &longest, nullptr,
                                      nullptr, 0) &&
        longest > 0) {
      return longest;
    }
    return 255;
  }

 private:
  std::string Child(const std::string& name) const {
    return path_.empty() || path_.back() == '/' ? path_ + name : path_ + "/" + name;
  }
  Result<UniqueHandle> Open(const std::string& name, DWORD access, DWORD share, EntryShape shape,
                            DWORD options, const char* operation) {
    return OpenRelative(handle_.get(), ToWide(name), access, share, shape, options, operation,
                        name.empty() ? path_ : Child(name));
  }

  UniqueHandle handle_;
  std::string path_;
};

}  // namespace

Result<std::unique_ptr<Folder>> MakeFolder(UniqueHandle handle, const std::string& path,
                                           const FileInfo* expected) {
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  if (info->kind != FileKind::kDirectory) {
    return Status::Error(info->kind == FileKind::kSymlink ? ELOOP : ENOTDIR,
                         "open folder '" + path + "': not a folder");
  }
  if (expected != nullptr && !SameObject(*info, *expected)) return NotExpected(path);
  return std::unique_ptr<Folder>(new WinFolder(std::move(handle), path));
}

Result<std::unique_ptr<Folder>> OpenFolderByPath(const std::string& path,
                                                 const FileInfo* expected) {
  // Links on the way are followed, the last one included: the caller checks
  // the identity.
  UniqueHandle handle(CreateFileW(LongPath(path).c_str(), kFolderAccess, kShareAll, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.valid()) return LastError("open folder", path);
  return MakeFolder(std::move(handle), path, expected);
}

}  // namespace tarnwell::platform::win32
