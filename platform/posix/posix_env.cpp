// The Linux implementation of Env. The only place besides its siblings in this
// folder that includes POSIX headers.
#include <dirent.h>
#include <fcntl.h>
#include <langinfo.h>
#include <limits.h>
#include <locale.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <iterator>
#include <thread>
#include <vector>

#include "core/paths.h"
#include "platform/env.h"
#include "platform/posix/fd.h"
#include "platform/posix/fill_calls.h"
#include "platform/posix/guard_calls.h"
#include "platform/posix/item_listing.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/terminal_calls.h"
#include "platform/posix/volume_calls.h"

extern char** environ;

namespace tarnwell::platform {
namespace posix {
namespace {

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::kRegular;
  if (S_ISDIR(mode)) return FileKind::kDirectory;
  if (S_ISLNK(mode)) return FileKind::kSymlink;
  if (S_ISFIFO(mode)) return FileKind::kFifo;
  if (S_ISSOCK(mode)) return FileKind::kSocket;
  if (S_ISCHR(mode)) return FileKind::kCharDevice;
  if (S_ISBLK(mode)) return FileKind::kBlockDevice;
  return FileKind::kOther;
}

}  // namespace

FileInfo InfoOf(const struct stat& st) {
  FileInfo info;
  info.kind = KindOf(st.st_mode);
  info.size = static_cast<uint64_t>(st.st_size);
  info.device = static_cast<uint64_t>(st.st_dev);
  info.inode = static_cast<uint64_t>(st.st_ino);
  info.mode = static_cast<uint32_t>(st.st_mode & 07777);
  info.links = static_cast<uint32_t>(st.st_nlink);
  info.allocated = static_cast<uint64_t>(st.st_blocks) * 512;
  info.owner = static_cast<uint32_t>(st.st_uid);
  info.group = static_cast<uint32_t>(st.st_gid);
  return info;
}

}  // namespace posix

namespace {

using posix::InfoOf;

class PosixDirectory final : public Directory {
 public:
  PosixDirectory(DIR* dir, std::string path) : dir_(dir), path_(std::move(path)) {}
  ~PosixDirectory() override { closedir(dir_); }

  bool Next(DirEntry* entry) override {
    for (;;) {
      errno = 0;
      struct dirent* d = readdir(dir_);
      if (d == nullptr) {
        if (errno != 0) status_ = Status::FromErrno(errno, "read folder", path_);
        return false;
      }
      if (std::strcmp(d->d_name, ".") == 0 || std::strcmp(d->d_name, "..") == 0) continue;
      entry->name.assign(d->d_name);
      struct stat st;
      if (fstatat(dirfd(dir_), d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
        entry->info = InfoOf(st);
        entry->info_ok = true;
      } else {
        entry->info = FileInfo{};
        entry->info_ok = false;
      }
      return true;
    }
  }
  const Status& status() const override { return status_; }

 private:
  DIR* dir_;
  std::string path_;
  Status status_;
};

class PosixWritableFile final : public WritableFile {
 public:
  PosixWritableFile(UniqueFd fd, std::string path, bool leased = false)
      : fd_(std::move(fd)), path_(std::move(path)), leased_(leased) {}

  const std::string& path() const override { return path_; }

  Result<FileInfo> Stat() override {
    struct stat st;
    if (fstat(fd_.get(), &st) != 0) return Status::FromErrno(errno, "stat", path_);
    return InfoOf(st);
  }

  Result<size_t> WriteAt(uint64_t offset, const void* data, size_t length) override {
    for (;;) {
      const ssize_t n = pwrite(fd_.get(), data, length, static_cast<off_t>(offset));
      if (n >= 0) return static_cast<size_t>(n);
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "write", path_);
    }
  }

  Status SetDirect(bool on) override {
    const int flags = fcntl(fd_.get(), F_GETFL);
    if (flags < 0) return Status::FromErrno(errno, "get flags of", path_);
    const int wanted = on ? (flags | O_DIRECT) : (flags & ~O_DIRECT);
    if (fcntl(fd_.get(), F_SETFL, wanted) != 0) {
      return Status::FromErrno(errno, on ? "enable direct I/O on" : "disable direct I/O on", path_);
    }
    direct_ = on;
    if (on) {
      struct statvfs vfs;
      size_t alignment = 4096;
      if (fstatvfs(fd_.get(), &vfs) == 0 && vfs.f_bsize >= 512) alignment = vfs.f_bsize;
      alignment_ = alignment;
    }
    return Status::Ok();
  }
  bool direct() const override { return direct_; }
  size_t direct_alignment() const override { return alignment_; }

  Status DataSync() override {
    for (;;) {
      if (fdatasync(fd_.get()) == 0) return Status::Ok();
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "sync", path_);
    }
  }

  Status PunchHole(uint64_t offset, uint64_t length) override {
    for (;;) {
      if (fallocate(fd_.get(), FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE,
                    static_cast<off_t>(offset), static_cast<off_t>(length)) == 0) {
        return Status::Ok();
      }
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "free blocks of", path_);
    }
  }

  Status Allocate(uint64_t offset, uint64_t length) override {
    for (;;) {
      if (fallocate(fd_.get(), 0, static_cast<off_t>(offset), static_cast<off_t>(length)) == 0) {
        return Status::Ok();
      }
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "allocate blocks for", path_);
    }
  }

  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    return posix::SetTimesOf(fd_.get(), access, modification, path_);
  }

  Result<ByteRange> NextData(uint64_t from, uint64_t end) override {
    if (from >= end) return ByteRange{from, 0};
    const off_t data = lseek(fd_.get(), static_cast<off_t>(from), SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) return ByteRange{end, 0};  // only a hole is left
      if (errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP) {
        return ByteRange{from, end - from};
      }
      return Status::FromErrno(errno, "find data in", path_);
    }
    const auto start = static_cast<uint64_t>(data);
    if (start >= end) return ByteRange{end, 0};
    const off_t hole = lseek(fd_.get(), data, SEEK_HOLE);
    if (hole < 0) return Status::FromErrno(errno, "find holes in", path_);
    const uint64_t stop = std::min<uint64_t>(static_cast<uint64_t>(hole), end);
    return ByteRange{start, stop - start};
  }

  bool exclusive() override {
    // A lease the system broke (another opener waited too long) is gone.
    return leased_ && fcntl(fd_.get(), F_GETLEASE) == F_WRLCK;
  }

  Status Close() override {
    if (!fd_.valid()) return Status::Ok();
    if (leased_) fcntl(fd_.get(), F_SETLEASE, F_UNLCK);
    // A failed close can report a lost write (NFS); it is not retried on EINTR
    // because Linux has already released the descriptor.
    if (close(fd_.release()) != 0 && errno != EINTR) {
      return Status::FromErrno(errno, "close", path_);
    }
    return Status::Ok();
  }

 private:
  UniqueFd fd_;
  std::string path_;
  bool leased_ = false;
  bool direct_ = false;
  size_t alignment_ = 4096;
};

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

  Result<size_t> ReadAt(uint64_t offset, void* data, size_t length) override {
    for (;;) {
      const ssize_t n = pread(fd_.get(), data, length, static_cast<off_t>(offset));
      if (n >= 0) return static_cast<size_t>(n);
      if (errno == EINTR) continue;
      return Status::FromErrno(errno, "read", path_);
    }
  }
  Status DropCache() override {
    const int rc = posix_fadvise(fd_.get(), 0, 0, POSIX_FADV_DONTNEED);
    if (rc != 0) return Status::FromErrno(rc, "drop cached pages of", path_);
    return Status::Ok();
  }
  Status Close() override {
    if (fd_.valid() && close(fd_.release()) != 0 && errno != EINTR) {
      return Status::FromErrno(errno, "close", path_);
    }
    return Status::Ok();
  }

 private:
  UniqueFd fd_;
  std::string path_;
};

class PosixFileLock final : public FileLock {
 public:
  explicit PosixFileLock(UniqueFd fd) : fd_(std::move(fd)) {}
  ~PosixFileLock() override { flock(fd_.get(), LOCK_UN); }

 private:
  UniqueFd fd_;
};

// Whole files read by ReadFile are settings and system tables; anything
// larger is not one of them.
constexpr size_t kMaxReadFileBytes = size_t{64} << 20;

class PosixEnv final : public Env {
 public:
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path,
                                             const FileInfo* expected) override {
    return posix::OpenFolderByPath(path, expected);
  }
  Result<std::unique_ptr<Folder>> OpenPrivateFolder(const std::string& path) override {
    if (path.empty()) return Status::Error(ENOENT, "no folder for private state");
    const std::string parent = core::FolderOf(path);
    if (parent != "/" && parent != ".") {
      if (Status made = CreateDirectories(parent); !made.ok()) return made;
    }
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
      return Status::FromErrno(errno, "create folder", path);
    }
    return posix::OpenPrivateFolderAt(path);
  }
  Result<std::string> ResolvePath(const std::string& path) override {
    return posix::ResolvePath(path);
  }

  Result<FileInfo> Describe(const std::string& path) override {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return Status::FromErrno(errno, "examine", path);
    return InfoOf(st);
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    const int fd = RetryOpen(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) return Status::FromErrno(errno, "open folder", path);
    DIR* dir = fdopendir(fd);
    if (dir == nullptr) {
      const int err = errno;
      close(fd);
      return Status::FromErrno(err, "open folder", path);
    }
    return std::unique_ptr<Directory>(new PosixDirectory(dir, path));
  }

  Result<std::unique_ptr<WritableFile>> OpenForOverwrite(const std::string& path,
                                                         const FileInfo* expected) override {
    // O_NONBLOCK keeps a FIFO swapped in after the caller's check from
    // blocking the open; it is cleared again for the regular file.
    UniqueFd fd(
        RetryOpen(path.c_str(), O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0));
    if (!fd.valid()) return Status::FromErrno(errno, "open for writing", path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "stat", path);
    if (!S_ISREG(st.st_mode)) return Status::Error(EINVAL, "not a regular file: '" + path + "'");
    if (expected != nullptr && (expected->device != static_cast<uint64_t>(st.st_dev) ||
                                expected->inode != static_cast<uint64_t>(st.st_ino))) {
      return Status::Error(ESTALE, "'" + path + "' was replaced by another file meanwhile");
    }
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return std::unique_ptr<WritableFile>(new PosixWritableFile(std::move(fd), path));
  }

  Result<std::unique_ptr<WritableFile>> CreateExclusive(const std::string& path,
                                                        uint32_t mode) override {
    UniqueFd fd(RetryOpen(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(mode)));
    if (!fd.valid()) return Status::FromErrno(errno, "create", path);
    return std::unique_ptr<WritableFile>(new PosixWritableFile(std::move(fd), path));
  }

  Status SetTimes(const std::string& path, const FileTime& access,
                  const FileTime& modification) override {
    struct timespec times[2];
    times[0].tv_sec = static_cast<time_t>(access.seconds);
    times[0].tv_nsec = static_cast<long>(access.nanoseconds);
    times[1].tv_sec = static_cast<time_t>(modification.seconds);
    times[1].tv_nsec = static_cast<long>(modification.nanoseconds);
    if (utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      return Status::FromErrno(errno, "set times of", path);
    }
    return Status::Ok();
  }

  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
      return Status::Ok();
    }
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
      return Status::FromErrno(errno, "rename", from);
    }
    // The file system has no RENAME_NOREPLACE: a hard link cannot replace an
    // existing name either. Folders cannot be linked; they are left unrenamed.
    if (link(from.c_str(), to.c_str()) != 0) return Status::FromErrno(errno, "rename", from);
    if (unlink(from.c_str()) != 0) {
      const int err = errno;
      unlink(to.c_str());
      return Status::FromErrno(err, "rename", from);
    }
    return Status::Ok();
  }

  Status RemoveFile(const std::string& path) override {
    if (unlink(path.c_str()) != 0) return Status::FromErrno(errno, "delete", path);
    return Status::Ok();
  }

  // fsync on a folder, so that a replace inside it reaches the disk.
  Status SyncDirectory(const std::string& path) {
    UniqueFd fd(RetryOpen(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0));
    if (!fd.valid()) return Status::FromErrno(errno, "open folder", path);
    for (;;) {
      if (fsync(fd.get()) == 0) return Status::Ok();
      if (errno != EINTR) return Status::FromErrno(errno, "sync folder", path);
    }
  }

  size_t MaxNameLength(const std::string& folder) override {
    const long n = pathconf(folder.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<size_t>(n) : 255;
  }

  Result<std::string> ReadFile(const std::string& path) override {
    return posix::ReadRegularFile(path, kMaxReadFileBytes);
  }

  Status ReplaceFileAtomically(const std::string& path, std::string_view content,
                               Durability durability) override {
    const bool synced = durability == Durability::kMachineCrash;
    std::string temp;
    UniqueFd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
      temp = path + ".tmp" + std::to_string(getpid()) + "_" + std::to_string(attempt);
      fd.reset(RetryOpen(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
      if (!fd.valid() && errno != EEXIST) return Status::FromErrno(errno, "create", temp);
    }
    if (!fd.valid()) return Status::Error(EEXIST, "no free temporary name beside '" + path + "'");
    // The new file takes over the old one's permission bits.
    struct stat st;
    if (stat(path.c_str(), &st) == 0)
      fchmod(fd.get(), st.st_mode & 07777);
    else
      fchmod(fd.get(), 0644 & ~CurrentUmask());
    Status status = WriteAll(fd.get(), content, temp);
    if (status.ok() && synced && fsync(fd.get()) != 0) {
      status = Status::FromErrno(errno, "sync", temp);
    }
    if (close(fd.release()) != 0 && status.ok() && errno != EINTR) {
      status = Status::FromErrno(errno, "close", temp);
    }
    if (status.ok() && rename(temp.c_str(), path.c_str()) != 0) {
      status = Status::FromErrno(errno, "replace", path);
    }
    if (!status.ok()) {
      unlink(temp.c_str());
      return status;
    }
    return synced ? SyncDirectory(core::FolderOf(path)) : Status::Ok();
  }

  Status CreateFileIfMissing(const std::string& path) override {
    const int fd =
        RetryOpen(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) return Status::Ok();
      return Status::FromErrno(errno, "create", path);
    }
    close(fd);
    return Status::Ok();
  }

  Status CreateDirectories(const std::string& path) override {
    if (path.empty()) return Status::Ok();
    size_t pos = 0;
    while (pos != std::string::npos) {
      pos = path.find('/', pos + 1);
      const std::string part = path.substr(0, pos);
      if (part.empty()) continue;
      if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) {
        return Status::FromErrno(errno, "create folder", part);
      }
    }
    return Status::Ok();
  }

  bool IsWritableDirectory(const std::string& path) override {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(path.c_str(), W_OK) == 0;
  }

  Result<MountInfo> FindMount(const std::string& path) override {
    UniqueFd fd(RetryOpen(path.c_str(), O_PATH | O_CLOEXEC, 0));
    if (!fd.valid()) return Status::FromErrno(errno, "examine", path);
    return posix::MountOf(fd.get(), path);
  }
  Result<std::vector<MountInfo>> ListMounts() override { return posix::ListMountTable(); }

  Result<std::string> ExecutablePath() override {
    std::vector<char> buffer(256);
    for (;;) {
      const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (n < 0) return Status::FromErrno(errno, "read", "/proc/self/exe");
      if (static_cast<size_t>(n) < buffer.size()) return std::string(buffer.data(), n);
      buffer.resize(buffer.size() * 2);
    }
  }

  std::optional<std::string> GetEnvironment(const std::string& name) override {
    const char* value = std::getenv(name.c_str());
    if (value == nullptr) return std::nullopt;
    return std::string(value);
  }

  std::string TempDirectory() override {
    std::string dir = GetEnvironment("TMPDIR").value_or("");
    if (dir.empty()) dir = "/tmp";
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
  }

  std::string UserSettingsFolder() override {
    std::string config = GetEnvironment("XDG_CONFIG_HOME").value_or("");
    if (config.empty()) config = GetEnvironment("HOME").value_or("") + "/.config";
    return config + "/tarnwell";
  }
  bool IsSystemProgramFolder(const std::string& path) override {
    Result<std::string> resolved = ResolvePath(path);
    struct stat st;
    if (!resolved.ok() || stat(resolved->c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != 0) return false;
    for (std::string_view root : {"/usr", "/bin", "/sbin", "/lib", "/opt"}) {
      const std::string_view folder = *resolved;
      if (folder.starts_with(root) &&
          (folder.size() == root.size() || folder[root.size()] == '/')) {
        return true;
      }
    }
    return false;
  }
  std::string MachineStateFolder() override { return "/run/tarnwell"; }
  std::string UserStateFolder() override {
    const std::string runtime = GetEnvironment("XDG_RUNTIME_DIR").value_or("");
    return IsAbsolutePath(runtime) ? runtime + "/tarnwell" : "";
  }

  std::string LanguageLocale() override {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* value = std::getenv(name);
      if (value != nullptr && *value != '\0') return value;
    }
    return "";
  }

  NumberFormat UserNumberFormat() override {
    std::string name;
    for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
      const char* value = std::getenv(var);
      if (value != nullptr && *value != '\0') {
        name = value;
        break;
      }
    }
    NumberFormat format;
    if (name.empty()) return format;
    locale_t loc = newlocale(LC_NUMERIC_MASK, name.c_str(), static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return format;
    const char* decimal = nl_langinfo_l(RADIXCHAR, loc);
    const char* thousands = nl_langinfo_l(THOUSEP, loc);
    const char* grouping = nl_langinfo_l(GROUPING, loc);
    if (decimal != nullptr && *decimal != '\0') format.decimal_point = decimal;
    if (thousands != nullptr) format.thousands_separator = thousands;
    // The grouping string holds byte values; its first one is the group size.
    if (grouping != nullptr && *grouping > 0 && *grouping != CHAR_MAX) format.grouping = *grouping;
    freelocale(loc);
    return format;
  }

  Result<int64_t> LocalTimeToEpoch(const CalendarTime& time) override {
    struct tm tm {};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    tm.tm_isdst = -1;
    errno = 0;
    const time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) && errno != 0) {
      return Status::FromErrno(errno, "convert local time", "");
    }
    return static_cast<int64_t>(t);
  }

  Status OpenWithDefaultProgram(const std::string& target) override {
    // Double fork through a short-lived child so no zombie is left behind and
    // the caller never waits for the opener.
    char arg0[] = "xdg-open";
    std::vector<char> arg1(target.begin(), target.end());
    arg1.push_back('\0');
    char* argv[] = {arg0, arg1.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return Status::FromErrno(rc, "start xdg-open for", target);
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
    return Status::Ok();
  }

  bool IsPrivileged() override { return geteuid() == 0; }

  DesktopStores UserDesktopStores() override {
    DesktopStores stores;
    stores.home = GetEnvironment("HOME").value_or("");
    while (stores.home.size() > 1 && stores.home.back() == '/') stores.home.pop_back();
    // The XDG rule: a relative value is invalid and the default applies.
    const auto xdg = [&](const char* name, const char* fallback) -> std::string {
      const std::string value = GetEnvironment(name).value_or("");
      if (IsAbsolutePath(value)) return value;
      return IsAbsolutePath(stores.home) ? stores.home + fallback : "";
    };
    stores.cache_home = xdg("XDG_CACHE_HOME", "/.cache");
    stores.data_home = xdg("XDG_DATA_HOME", "/.local/share");
    stores.owner = static_cast<uint32_t>(geteuid());
    return stores;
  }

  Result<DesktopStores> AccountDesktopStores(const std::string& account) override {
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* found = nullptr;
    for (;;) {
      const int err = getpwnam_r(account.c_str(), &entry, buffer.data(), buffer.size(), &found);
      if (err == ERANGE && buffer.size() < (size_t{1} << 20)) {
        buffer.resize(buffer.size() * 2);
        continue;
      }
      if (err != 0) return Status::FromErrno(err, "look up the account", account);
      break;
    }
    if (found == nullptr) return Status::Error(ENOENT, "no account named '" + account + "'");
    DesktopStores stores;
    stores.home = entry.pw_dir;
    while (stores.home.size() > 1 && stores.home.back() == '/') stores.home.pop_back();
    if (!IsAbsolutePath(stores.home)) {
      return Status::Error(ENOENT, "the account '" + account + "' has no home folder");
    }
    stores.cache_home = stores.home + "/.cache";
    stores.data_home = stores.home + "/.local/share";
    stores.owner = static_cast<uint32_t>(entry.pw_uid);
    return stores;
  }

  int64_t MonotonicMillis() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }

  void SleepMillis(int64_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }

  int Random() override {
    // An erase draws a few hundred thousand numbers: one getrandom per 256 of
    // them, not per number. Per thread, so no lock is needed.
    thread_local uint32_t pool[256];
    thread_local size_t left = 0;
    if (left == 0) {
      // getrandom fails only on a kernel older than 3.17; nothing to fall back to.
      posix::RandomBytes(pool, sizeof pool);
      left = std::size(pool);
    }
    return static_cast<int>(pool[--left] & 0x7FFFFFFF);
  }

  // ---- item list ----
  Result<std::vector<std::string>> ListNames(const std::string& folder) override {
    return posix::ListFolderNames(folder);
  }
  Result<uint64_t> MountId(const std::string& path) override { return posix::MountIdOf(path); }

  // ---- free-space fill ----
  void IgnoreFileSizeSignal() override { posix::IgnoreFileSizeSignal(); }
  std::string UserPath(const std::string& typed) override { return typed; }
  bool IsAbsolutePath(const std::string& path) override { return path.starts_with('/'); }
  Result<std::string> AbsolutePath(const std::string& path) override {
    return posix::AbsolutePath(path);
  }
  Result<std::string> BlockDeviceName(uint64_t device) override {
    return posix::BlockDeviceName(device);
  }
  Status WriteKernelSetting(const std::string& path, std::string_view value) override {
    return posix::WriteKernelSetting(path, value);
  }

  // ---- erase and tarnwell-cli ----
  bool IsTerminal(int stream) override { return posix::IsTerminal(stream); }
  int TerminalColumns(int stream) override { return posix::TerminalColumns(stream); }
  void StopOnInterrupt(std::atomic<bool>* flag) override { posix::StopOnInterrupt(flag); }

  // ---- untrusted input files ----
  Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) override {
    return posix::ReadRegularFile(path, max_bytes);
  }

 private:
  static int RetryOpen(const char* path, int flags, mode_t mode) {
    for (;;) {
      const int fd = open(path, flags, mode);
      if (fd >= 0 || errno != EINTR) return fd;
    }
  }

  static mode_t CurrentUmask() {
    // umask can only be read by setting it; done once, before threads matter.
    static const mode_t mask = [] {
      const mode_t m = umask(022);
      umask(m);
      return m;
    }();
    return mask;
  }

  static Status WriteAll(int fd, std::string_view content, const std::string& path) {
    size_t done = 0;
    while (done < content.size()) {
      const ssize_t n = write(fd, content.data() + done, content.size() - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Status::FromErrno(errno, "write", path);
      }
      done += static_cast<size_t>(n);
    }
    return Status::Ok();
  }
};

}  // namespace

namespace posix {

std::unique_ptr<WritableFile> WrapWritableFile(UniqueFd fd, std::string path, bool leased) {
  return std::make_unique<PosixWritableFile>(std::move(fd), std::move(path), leased);
}

std::unique_ptr<ReadableFile> WrapReadableFile(UniqueFd fd, std::string path) {
  return std::make_unique<PosixReadableFile>(std::move(fd), std::move(path));
}

std::unique_ptr<FileLock> WrapFileLock(UniqueFd fd) {
  return std::make_unique<PosixFileLock>(std::move(fd));
}

}  // namespace posix

Env& DefaultEnv() {
  static PosixEnv env;
  return env;
}

}  // namespace tarnwell::platform
