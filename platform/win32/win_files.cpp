#include "platform/win32/win_files.h"

#include <malloc.h>
#include <winioctl.h>
#include <winternl.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/win32/win_status.h"
#include "platform/win32/win_text.h"

namespace tarnwell::platform::win32 {
namespace {

// Seconds between 1601-01-01 (FILETIME's start) and 1970-01-01.
constexpr int64_t kEpochDifferenceSeconds = 11644473600;
constexpr int64_t kTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns
// One WriteFile or ReadFile moves at most a DWORD; 1 GiB keeps any alignment.
constexpr size_t kLargestTransfer = size_t{1} << 30;
// Unbuffered reads go through a block of this size.
constexpr size_t kReadBlock = size_t{1} << 20;

bool IsLink(DWORD attributes, DWORD reparse_tag) {
  // Symbolic links and junctions (mount points included) name other entries;
  // other reparse points (deduplicated, cloud placeholder files) hold data
  // that a filter driver keeps elsewhere and are never written.
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsReparseTagNameSurrogate(reparse_tag);
}

FileKind KindOf(DWORD attributes, DWORD reparse_tag) {
  if (IsLink(attributes, reparse_tag)) return FileKind::kSymlink;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return FileKind::kOther;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return FileKind::kDirectory;
  if ((attributes & FILE_ATTRIBUTE_DEVICE) != 0) return FileKind::kCharDevice;
  return FileKind::kRegular;
}

uint32_t ModeOf(DWORD attributes) {
  const bool folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) return folder ? 0555 : 0444;
  return folder ? 0755 : 0644;
}

bool SameIdentity(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode;
}

// The sector size unbuffered I/O needs on the volume of handle.
size_t SectorSizeOf(HANDLE handle, const std::wstring& long_path) {
  FILE_STORAGE_INFO storage{};
  if (GetFileInformationByHandleEx(handle, FileStorageInfo, &storage, sizeof storage)) {
    const size_t size =
        std::max<size_t>(storage.LogicalBytesPerSector,
                         storage.FileSystemEffectivePhysicalBytesPerSectorForAtomicity);
    if (size >= 512) return size;
  }
  std::vector<wchar_t> root(long_path.size() + 2);
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  if (GetVolumePathNameW(long_path.c_str(), root.data(), static_cast<DWORD>(root.size())) &&
      GetDiskFreeSpaceW(root.data(), &sectors, &bytes, &free_clusters, &clusters) && bytes >= 512) {
    return bytes;
  }
  return 4096;
}

class WinDirectory final : public Directory {
 public:
  WinDirectory(UniqueHandle handle, std::string path, uint64_t device)
      : handle_(std::move(handle)), path_(std::move(path)), device_(device), buffer_(64 * 1024) {}

  bool Next(DirEntry* entry) override {
    for (;;) {
      if (next_ == nullptr && !Fill()) return false;
      const auto* info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(next_);
      next_ = info->NextEntryOffset != 0 ? next_ + info->NextEntryOffset : nullptr;
      const std::wstring_view name(info->FileName, info->FileNameLength / sizeof(wchar_t));
      if (name == L"." || name == L"..") continue;
      entry->name = ToUtf8(name);
      // For a reparse point the EA size field holds the reparse tag.
      const DWORD tag = (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? info->EaSize : 0;
      entry->info.kind = KindOf(info->FileAttributes, tag);
      entry->info.size = entry->info.kind == FileKind::kDirectory
                             ? 0
                             : static_cast<uint64_t>(info->EndOfFile.QuadPart);
      entry->info.device = device_;
      entry->info.inode = static_cast<uint64_t>(info->FileId.QuadPart);
      entry->info.mode = ModeOf(info->FileAttributes);
      entry->info.allocated = static_cast<uint64_t>(info->AllocationSize.QuadPart);
      entry->info.links = 1;  // a listing does not tell; DescribeHandle does
      entry->info_ok = true;
      return true;
    }
  }
  const Status& status() const override { return status_; }

 private:
  bool Fill() {
    if (done_) return false;
    const FILE_INFO_BY_HANDLE_CLASS kind =
        first_ ? FileIdBothDirectoryRestartInfo : FileIdBothDirectoryInfo;
    first_ = false;
    if (!GetFileInformationByHandleEx(handle_.get(), kind, buffer_.data(),
                                      static_cast<DWORD>(buffer_.size()))) {
      const DWORD error = GetLastError();
      done_ = true;
      if (error != ERROR_NO_MORE_FILES) status_ = FromWin32(error, "read folder", path_);
      return false;
    }
    next_ = buffer_.data();
    return true;
  }

  UniqueHandle handle_;
  std::string path_;
  uint64_t device_;
  std::vector<unsigned char> buffer_;
  const unsigned char* next_ = nullptr;
  bool first_ = true;
  bool done_ = false;
  Status status_;
};

// Writes in place. Unbuffered mode is a second open of the same file (the
// flag cannot be switched on a handle); the identity is checked on every
// open, so the file cannot be swapped between them.
class WinWritableFile final : public WritableFile {
 public:
  WinWritableFile(UniqueHandle handle, std::string path, FileInfo identity, Reopen reopen)
      : handle_(std::move(handle)),
        path_(std::move(path)),
        identity_(identity),
        reopen_(std::move(reopen)) {}
  ~WinWritableFile() override = default;

  const std::string& path() const override { return path_; }

  Result<FileInfo> Stat() override {
    if (!handle_.valid()) return Closed();
    return DescribeHandle(handle_.get(), path_);
  }

  Result<size_t> WriteAt(uint64_t offset, const void* data, size_t length) override {
    if (!handle_.valid()) return Closed();
    // Windows refuses unaligned unbuffered writes (error 87); wine lets them
    // through. The check makes every build, and the tests under wine, see
    // what Windows would refuse.
    if (direct_ && (offset % alignment_ != 0 || length % alignment_ != 0 ||
                    reinterpret_cast<uintptr_t>(data) % alignment_ != 0)) {
      return Status::Error(EINVAL, "write '" + path_ + "': unbuffered writes need " +
                                       std::to_string(alignment_) + "-byte alignment");
    }
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min(length, kLargestTransfer));
    if (!WriteFile(handle_.get(), data, ask, &written, &at)) return LastError("write", path_);
    return static_cast<size_t>(written);
  }

  Status SetDirect(bool on) override {
    if (!handle_.valid()) return Closed();
    if (on == direct_) return Status::Ok();
    // Share mode 0 admits no second handle, so the old one goes first.
    handle_.reset();
    Result<UniqueHandle> reopened = reopen_(on);
    if (!reopened.ok()) return reopened.status();
    Result<FileInfo> now = DescribeHandle(reopened->get(), path_);
    if (!now.ok()) return now.status();
    if (now->kind != FileKind::kRegular || !SameIdentity(*now, identity_)) {
      return Status::Error(ESTALE, "'" + path_ + "' was replaced by another file meanwhile");
    }
    handle_ = std::move(*reopened);
    direct_ = on;
    if (on) alignment_ = SectorSizeOf(handle_.get(), LongPath(path_));
    return Status::Ok();
  }
  bool direct() const override { return direct_; }
  size_t direct_alignment() const override { return alignment_; }

  Status DataSync() override {
    if (!handle_.valid()) return Closed();
    if (!FlushFileBuffers(handle_.get())) return LastError("sync", path_);
    return Status::Ok();
  }

  Status PunchHole(uint64_t offset, uint64_t length) override {
    if (!handle_.valid()) return Closed();
    DWORD returned = 0;
    FILE_SET_SPARSE_BUFFER sparse{TRUE};
    if (!DeviceIoControl(handle_.get(), FSCTL_SET_SPARSE, &sparse, sizeof sparse, nullptr, 0,
                         &returned, nullptr)) {
      return LastError("free blocks of", path_);
    }
    FILE_ZERO_DATA_INFORMATION range{};
    range.FileOffset.QuadPart = static_cast<LONGLONG>(offset);
    range.BeyondFinalZero.QuadPart = static_cast<LONGLONG>(offset + length);
    if (!DeviceIoControl(handle_.get(), FSCTL_SET_ZERO_DATA, &range, sizeof range, nullptr, 0,
                         &returned, nullptr)) {
      return LastError("free blocks of", path_);
    }
    return Status::Ok();
  }

  Status Allocate(uint64_t, uint64_t) override {
    // Windows gives a file blocks without zeroing them only to holders of the
    // volume-maintenance privilege (SetFileValidData).
    return Status::Error(ENOTSUP, "allocate blocks for '" + path_ + "': not supported here");
  }

  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    if (!handle_.valid()) return Closed();
    const FILETIME a = ToFileTime(access);
    const FILETIME m = ToFileTime(modification);
    if (!SetFileTime(handle_.get(), &m, &a, &m)) return LastError("set times of", path_);
    return Status::Ok();
  }

  Status Close() override {
    if (!handle_.valid()) return Status::Ok();
    if (!CloseHandle(handle_.release())) return LastError("close", path_);
    return Status::Ok();
  }

  Result<ByteRange> NextData(uint64_t from, uint64_t end) override {
    if (!handle_.valid()) return Closed();
    if (from >= end) return ByteRange{end, 0};
    FILE_ALLOCATED_RANGE_BUFFER query{};
    query.FileOffset.QuadPart = static_cast<LONGLONG>(from);
    query.Length.QuadPart = static_cast<LONGLONG>(end - from);
    FILE_ALLOCATED_RANGE_BUFFER range{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle_.get(), FSCTL_QUERY_ALLOCATED_RANGES, &query, sizeof query, &range,
                         sizeof range, &returned, nullptr) &&
        GetLastError() != ERROR_MORE_DATA) {
      return ByteRange{from, end - from};  // cannot tell: all of it is data
    }
    if (returned < sizeof range) return ByteRange{end, 0};  // holes only
    const uint64_t start = std::max<uint64_t>(from, range.FileOffset.QuadPart);
    const uint64_t stop =
        std::min<uint64_t>(end, range.FileOffset.QuadPart + range.Length.QuadPart);
    return ByteRange{start, stop > start ? stop - start : 0};
  }

  // Share mode 0 on every open: no other handle can exist while this one does.
  bool exclusive() override { return handle_.valid(); }

 private:
  Status Closed() const { return Status::Error(EBADF, "'" + path_ + "' is not open"); }

  UniqueHandle handle_;
  std::string path_;
  FileInfo identity_;
  Reopen reopen_;
  bool direct_ = false;
  size_t alignment_ = 4096;
};

struct AlignedFree {
  void operator()(unsigned char* p) const { _aligned_free(p); }
};

// Reads; after DropCache through an unbuffered handle, so the bytes come from
// the disk and not from the system cache.
class WinReadableFile final : public ReadableFile {
 public:
  WinReadableFile(UniqueHandle handle, std::string path, FileInfo identity)
      : handle_(std::move(handle)), path_(std::move(path)), identity_(identity) {}

  Result<size_t> ReadAt(uint64_t offset, void* data, size_t length) override {
    if (!handle_.valid()) return Status::Error(EBADF, "'" + path_ + "' is not open");
    if (!unbuffered_) return ReadRaw(offset, data, std::min(length, kLargestTransfer));
    const uint64_t start = offset - offset % alignment_;
    const size_t skip = static_cast<size_t>(offset - start);
    const size_t span =
        std::min(kReadBlock, (skip + length + alignment_ - 1) / alignment_ * alignment_);
    Result<size_t> n = ReadRaw(start, block_.get(), span);
    if (!n.ok()) return n;
    if (*n <= skip) return size_t{0};
    const size_t got = std::min(*n - skip, length);
    std::memcpy(data, block_.get() + skip, got);
    return got;
  }

  Status DropCache() override {
    if (unbuffered_) return Status::Ok();
    const std::wstring long_path = LongPath(path_);
    UniqueHandle reopened(CreateFileW(
        long_path.c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_NO_BUFFERING, nullptr));
    if (!reopened.valid()) return LastError("open unbuffered", path_);
    Result<FileInfo> now = DescribeHandle(reopened.get(), path_);
    if (!now.ok()) return now.status();
    if (!SameIdentity(*now, identity_)) {
      return Status::Error(ESTALE, "'" + path_ + "' was replaced by another file meanwhile");
    }
    alignment_ = SectorSizeOf(reopened.get(), long_path);
    block_.reset(static_cast<unsigned char*>(_aligned_malloc(kReadBlock, alignment_)));
    if (!block_) return Status::Error(ENOMEM, "no memory to read '" + path_ + "'");
    handle_ = std::move(reopened);
    unbuffered_ = true;
    return Status::Ok();
  }

  Status Close() override {
    if (handle_.valid() && !CloseHandle(handle_.release())) return LastError("close", path_);
    return Status::Ok();
  }

 private:
  Result<size_t> ReadRaw(uint64_t offset, void* data, size_t length) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    if (!ReadFile(handle_.get(), data, static_cast<DWORD>(length), &read, &at)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return size_t{0};
      return LastError("read", path_);
    }
    return static_cast<size_t>(read);
  }

  UniqueHandle handle_;
  std::string path_;
  FileInfo identity_;
  bool unbuffered_ = false;
  size_t alignment_ = 4096;
  std::unique_ptr<unsigned char, AlignedFree> block_;
};

Status NotRegular(const std::string& path) {
  return Status::Error(EINVAL, "not a regular file: '" + path + "'");
}

}  // namespace

FILETIME ToFileTime(const FileTime& time) {
  const int64_t ticks =
      (time.seconds + kEpochDifferenceSeconds) * kTicksPerSecond + time.nanoseconds / 100;
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(ticks);
  out.dwHighDateTime = static_cast<DWORD>(static_cast<uint64_t>(ticks) >> 32);
  return out;
}

Result<UniqueHandle> OpenEntry(const std::string& path, DWORD access, DWORD share,
                               const char* operation, DWORD flags) {
  UniqueHandle handle(CreateFileW(LongPath(path).c_str(), access, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | flags,
                                  nullptr));
  if (!handle.valid()) return LastError(operation, path);
  return handle;
}

Result<FileInfo> DescribeHandle(HANDLE handle, const std::string& path) {
  BY_HANDLE_FILE_INFORMATION by_handle;
  if (!GetFileInformationByHandle(handle, &by_handle)) return LastError("examine", path);
  FILE_ATTRIBUTE_TAG_INFO tag{};
  if ((by_handle.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
      !GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag)) {
    return LastError("examine", path);
  }
  FileInfo info;
  info.kind = KindOf(by_handle.dwFileAttributes, tag.ReparseTag);
  const DWORD type = GetFileType(handle);
  if (type == FILE_TYPE_PIPE) info.kind = FileKind::kFifo;
  if (type == FILE_TYPE_CHAR) info.kind = FileKind::kCharDevice;
  if (info.kind != FileKind::kDirectory) {
    info.size = (static_cast<uint64_t>(by_handle.nFileSizeHigh) << 32) | by_handle.nFileSizeLow;
  }
  info.device = by_handle.dwVolumeSerialNumber;
  info.inode = (static_cast<uint64_t>(by_handle.nFileIndexHigh) << 32) | by_handle.nFileIndexLow;
  info.mode = ModeOf(by_handle.dwFileAttributes);
  info.links = by_handle.nNumberOfLinks;
  FILE_STANDARD_INFO standard{};
  info.allocated =
      GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof standard)
          ? static_cast<uint64_t>(standard.AllocationSize.QuadPart)
          : info.size;
  return info;
}

Result<std::unique_ptr<Directory>> ListFolder(UniqueHandle handle, const std::string& path) {
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  // A link to a folder is an entry of its own, never a way into the folder.
  if (info->kind != FileKind::kDirectory) {
    return Status::Error(info->kind == FileKind::kSymlink ? ELOOP : ENOTDIR,
                         "open folder '" + path + "': not a folder");
  }
  return std::unique_ptr<Directory>(new WinDirectory(std::move(handle), path, info->device));
}

Result<std::unique_ptr<Directory>> OpenFolderListing(const std::string& path) {
  Result<UniqueHandle> handle =
      OpenEntry(path, FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES, kShareAll, "open folder");
  if (!handle.ok()) return handle.status();
  return ListFolder(std::move(*handle), path);
}

Status ClearReadOnly(HANDLE handle, const std::string& path) {
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
    return LastError("examine", path);
  }
  if ((basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) == 0) {
    return Status::Ok();
  }
  FILE_BASIC_INFO change{};  // zero times: leave them as they are
  change.FileAttributes = basic.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
  if (change.FileAttributes == 0) change.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  if (!SetFileInformationByHandle(handle, FileBasicInfo, &change, sizeof change)) {
    return LastError("clear the read-only attribute of", path);
  }
  return Status::Ok();
}

Status RenameHandle(HANDLE handle, HANDLE folder, const std::wstring& target,
                    const std::string& path, bool replace) {
  const size_t name_bytes = target.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + name_bytes + sizeof(wchar_t));
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;  // else EEXIST when target exists
  info->RootDirectory = folder;
  info->FileNameLength = static_cast<DWORD>(name_bytes);
  std::copy(target.begin(), target.end(), info->FileName);
  if (folder != nullptr) {
    // The Win32 call would read a bare name as a path below the current
    // folder, not the folder handle; the native call takes it as given.
    // FILE_RENAME_INFO has the layout of the native FILE_RENAME_INFORMATION.
    IO_STATUS_BLOCK io{};
    const NTSTATUS status = NtSetInformationFile(
        handle, &io, info, static_cast<ULONG>(buffer.size()), FileRenameInformation);
    if (status < 0) return FromWin32(RtlNtStatusToDosError(status), "rename", path);
    return Status::Ok();
  }
  if (!SetFileInformationByHandle(handle, FileRenameInfo, info,
                                  static_cast<DWORD>(buffer.size()))) {
    return LastError("rename", path);
  }
  return Status::Ok();
}

Status DeleteHandle(HANDLE handle, const std::string& path) {
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition)) {
    return LastError("delete", path);
  }
  return Status::Ok();
}

Status FlushFolder(HANDLE handle, const std::string& path) {
  if (FlushFileBuffers(handle)) return Status::Ok();
  const DWORD error = GetLastError();
  if (error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED) return Status::Ok();
  return FromWin32(error, "sync folder", path);
}

Result<std::unique_ptr<WritableFile>> WrapWritable(UniqueHandle handle, const std::string& path,
                                                   const FileInfo* expected, Reopen reopen) {
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  if (info->kind != FileKind::kRegular) return NotRegular(path);
  if (expected != nullptr && !SameIdentity(*expected, *info)) {
    return Status::Error(ESTALE, "'" + path + "' was replaced by another file meanwhile");
  }
  return std::unique_ptr<WritableFile>(
      new WinWritableFile(std::move(handle), path, *info, std::move(reopen)));
}

namespace {

// Locks are taken on a byte far past any real end of file (see LockHandle).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;
constexpr DWORD kLockOffsetLow = 0xFFFFFFF0;

class WinFileLock final : public FileLock {
 public:
  explicit WinFileLock(UniqueHandle handle) : handle_(std::move(handle)) {}
  ~WinFileLock() override {
    OVERLAPPED at{};
    at.Offset = kLockOffsetLow;
    at.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(handle_.get(), 0, 1, 0, &at);
  }

 private:
  UniqueHandle handle_;
};

// Reopens by path: the identity check on every open keeps a swap out.
Reopen ReopenByPath(const std::string& path, DWORD share = 0) {
  return [path, share](bool direct) -> Result<UniqueHandle> {
    DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_WRITE_THROUGH;
    if (direct) flags |= FILE_FLAG_NO_BUFFERING;
    UniqueHandle handle(CreateFileW(LongPath(path).c_str(),
                                    GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, share, nullptr,
                                    OPEN_EXISTING, flags, nullptr));
    if (!handle.valid()) return LastError("open for writing", path);
    return handle;
  };
}

}  // namespace

Result<std::unique_ptr<WritableFile>> OpenFileForOverwrite(const std::string& path,
                                                           const FileInfo* expected) {
  // Share mode 0: a file another program holds open cannot be opened (an
  // error row, the file kept), and none can open it while it is written.
  Reopen reopen = ReopenByPath(path);
  Result<UniqueHandle> handle = reopen(false);
  if (!handle.ok()) return handle.status();
  return WrapWritable(std::move(*handle), path, expected, std::move(reopen));
}

Result<std::unique_ptr<WritableFile>> CreateNewFile(const std::string& path) {
  UniqueHandle handle(
      CreateFileW(LongPath(path).c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES | DELETE, 0, nullptr,
                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return LastError("create", path);
  return WrapWritable(std::move(handle), path, nullptr, ReopenByPath(path));
}

Result<std::unique_ptr<FileLock>> LockHandle(UniqueHandle handle, bool wait,
                                             const std::string& path) {
  OVERLAPPED at{};
  at.Offset = kLockOffsetLow;
  at.OffsetHigh = kLockOffsetHigh;
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (!LockFileEx(handle.get(), flags, 0, 1, 0, &at)) {
    const DWORD error = GetLastError();
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
      return Status::Error(EWOULDBLOCK, "lock '" + path + "': held by another program");
    }
    return FromWin32(error, "lock", path);
  }
  return std::unique_ptr<FileLock>(new WinFileLock(std::move(handle)));
}

Result<std::unique_ptr<WritableFile>> CreateNewLockedFile(const std::string& path,
                                                          std::unique_ptr<FileLock>* lock) {
  UniqueHandle creator(CreateFileW(LongPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                   nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!creator.valid()) return LastError("create", path);
  Result<std::unique_ptr<FileLock>> held = LockHandle(std::move(creator), false, path);
  if (!held.ok()) {
    return Status::Error(held.status().code() == EWOULDBLOCK ? EAGAIN : held.status().code(),
                         held.status().message());
  }
  Reopen reopen = ReopenByPath(path, kShareAll);
  Result<UniqueHandle> handle = reopen(false);
  if (!handle.ok()) return handle.status();
  *lock = std::move(*held);
  return WrapWritable(std::move(*handle), path, nullptr, std::move(reopen));
}

Result<std::string> ReadRegularFileAt(const std::string& path, size_t max_bytes) {
  // Folders open too (backup semantics), so that they are refused as such.
  UniqueHandle handle(CreateFileW(
      LongPath(path).c_str(), GENERIC_READ | FILE_READ_ATTRIBUTES, kShareAll, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle.valid()) return LastError("open", path);
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  if (info->kind != FileKind::kRegular) return NotRegular(path);
  std::string content;
  std::vector<char> buffer(65536);
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) {
      return LastError("read", path);
    }
    if (n == 0) return content;
    content.append(buffer.data(), n);
    if (content.size() > max_bytes) {
      return Status::Error(
          EFBIG, "read '" + path + "': longer than " + std::to_string(max_bytes) + " bytes");
    }
  }
}

Result<std::unique_ptr<ReadableFile>> WrapReadable(UniqueHandle handle, const std::string& path,
                                                   const FileInfo* expected) {
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  if (info->kind != FileKind::kRegular) return NotRegular(path);
  if (expected != nullptr && !SameIdentity(*info, *expected)) {
    return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
  }
  return std::unique_ptr<ReadableFile>(new WinReadableFile(std::move(handle), path, *info));
}

}  // namespace tarnwell::platform::win32
