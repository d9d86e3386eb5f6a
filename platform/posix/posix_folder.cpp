// Folder handles: every entry reached, renamed and removed relative to an open
// folder descriptor (openat, renameat2, unlinkat), the way rm -r stays out of
// races with programs that change the tree meanwhile.
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>

#include "platform/posix/posix_files.h"
#include "platform/posix/volume_calls.h"
#include "platform/race_hook.h"

namespace tarnwell::platform::posix {
namespace {

struct TypeName {
  unsigned long magic;
  const char* name;
  bool kernel_view;
};

// Numbers from linux/magic.h, spelled out where older headers lack them.
constexpr TypeName kTypes[] = {
    {0xEF53, "ext4", false},  // ext2, ext3 and ext4 share the number
    {0x9123683E, "btrfs", false},
    {0x58465342, "xfs", false},
    {0x01021994, "tmpfs", false},
    {0x858458f6, "ramfs", false},
    {0x4d44, "vfat", false},
    {0x2011BAB0, "exfat", false},
    {0x5346544e, "ntfs", false},
    {0x7366746e, "ntfs3", false},
    {0xF2F52010, "f2fs", false},
    {0x2fc12fc1, "zfs", false},
    {0xca451a4e, "bcachefs", false},
    {0x3434, "nilfs2", false},
    {0x72b6, "jffs2", false},
    {0x24051905, "ubifs", false},
    {0x794c7630, "overlay", false},
    {0x6969, "nfs", false},
    {0xFF534D42, "cifs", false},
    {0xFE534D42, "smb3", false},
    {0x65735546, "fuse", false},
    {0x73717368, "squashfs", false},
    {0x9660, "iso9660", false},
    // Views the kernel makes up: reading and writing there talks to it.
    {0x9fa0, "proc", true},
    {0x62656572, "sysfs", true},
    {0x64626720, "debugfs", true},
    {0x74726163, "tracefs", true},
    {0x73636673, "securityfs", true},
    {0x62656570, "configfs", true},
    {0xde5e81e4, "efivarfs", true},
    {0x27e0eb, "cgroup", true},
    {0x63677270, "cgroup2", true},
    {0xcafe4a11, "bpf", true},
    {0x6165676C, "pstore", true},
    {0xf97cff8c, "selinuxfs", true},
    {0x43415d53, "smackfs", true},
    {0x65735543, "fusectl", true},
    {0x42494e4d, "binfmt_misc", true},
    {0x1cd1, "devpts", true},
    {0x19800202, "mqueue", true},
    {0x6e736673, "nsfs", true},
    {0x67596969, "rpc_pipefs", true},
    {0x0187, "autofs", true},
};

// A broken lease is signalled with SIGIO, whose default ends the process; the
// break itself needs no handling (exclusive() notices it).
void IgnoreLeaseBreakSignal() {
  static std::once_flag once;
  std::call_once(once, [] { signal(SIGIO, SIG_IGN); });
}

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

Status BadName(const std::string& folder, const std::string& name) {
  return Status::Error(EINVAL, "not an entry name in '" + folder + "': '" + name + "'");
}

int RetryOpenAt(int dir, const char* name, int flags, mode_t mode = 0) {
  for (;;) {
    const int fd = openat(dir, name, flags, mode);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

// A folder the user may search but not read still holds entries to reach:
// such a handle renames and removes, but cannot list, sync or stamp.
int OpenFolderFd(int dir, const char* name, int flags) {
  const int fd = RetryOpenAt(dir, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | flags);
  if (fd >= 0 || errno != EACCES) return fd;
  return RetryOpenAt(dir, name, O_PATH | O_DIRECTORY | O_CLOEXEC | flags);
}

// chmod of the object an O_PATH descriptor holds, never of a name.
bool ChmodHeld(int held, mode_t mode) {
#ifndef SYS_fchmodat2
  constexpr long SYS_fchmodat2 = 452;  // the same number on every architecture
#endif
  if (syscall(SYS_fchmodat2, held, "", mode, AT_EMPTY_PATH) == 0) return true;
  if (errno != ENOSYS && errno != EINVAL) return false;
  // Older kernels: the descriptor's own entry in /proc leads to the object.
  return chmod(("/proc/self/fd/" + std::to_string(held)).c_str(), mode) == 0;
}

// True when the folder's own flags keep its entries from being renamed or
// removed (immutable, append-only). A handle that cannot ask says false.
bool FolderFlagsForbidChanges(int fd) {
  int flags = 0;
  if (ioctl(fd, FS_IOC_GETFLAGS, &flags) != 0) return false;
  return (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

Status CheckExpected(int fd, const FileInfo* expected, const std::string& path) {
  if (expected == nullptr) return Status::Ok();
  struct stat st;
  if (fstat(fd, &st) != 0) return Status::FromErrno(errno, "examine", path);
  if (!SameObject(InfoOf(st), *expected)) {
    return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
  }
  return Status::Ok();
}

class PosixFolder final : public Folder {
 public:
  PosixFolder(UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

  const std::string& path() const override { return path_; }

  Result<FileInfo> Stat() override {
    struct stat st;
    if (fstat(fd_.get(), &st) != 0) return Status::FromErrno(errno, "examine", path_);
    return InfoOf(st);
  }

  Result<FileSystemInfo> StatFs() override { return FileSystemOf(fd_.get(), path_); }

  Result<FileInfo> DescribeAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    struct stat st;
    if (fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return Status::FromErrno(errno, "examine", Child(name));
    }
    return InfoOf(st);
  }

  Result<std::unique_ptr<Folder>> OpenFolderAt(const std::string& name,
                                               const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    UniqueFd fd(OpenFolderFd(fd_.get(), name.c_str(), O_NOFOLLOW));
    if (!fd.valid()) return Status::FromErrno(errno, "open folder", Child(name));
    if (Status s = CheckExpected(fd.get(), expected, Child(name)); !s.ok()) return s;
    return std::unique_ptr<Folder>(new PosixFolder(std::move(fd), Child(name)));
  }

  Result<std::unique_ptr<WritableFile>> OpenAt(const std::string& name, const FileInfo* expected,
                                               bool exclusive) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    // O_NONBLOCK keeps a FIFO from blocking the open; cleared again below.
    UniqueFd fd(RetryOpenAt(fd_.get(), name.c_str(),
                            O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) return Status::FromErrno(errno, "open for writing", path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "examine", path);
    if (!S_ISREG(st.st_mode)) return Status::Error(EINVAL, "not a regular file: '" + path + "'");
    if (expected != nullptr && !SameObject(InfoOf(st), *expected)) {
      return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
    }
    // A file mounted here from a kernel view would take the zeros as a command.
    if (Result<FileSystemInfo> fs = FileSystemOf(fd.get(), path); fs.ok() && fs->kernel_view) {
      return Status::Error(EPERM, "'" + path + "' is on a kernel file system (" + fs->type + ")");
    }
    bool leased = false;
    if (exclusive) {
      IgnoreLeaseBreakSignal();
      // A write lease is granted only while no other descriptor has the
      // file open; other reasons to refuse it (not the owner, a network file
      // system) leave the caller to watch the size instead.
      if (fcntl(fd.get(), F_SETLEASE, F_WRLCK) == 0) {
        leased = true;
      } else if (errno == EAGAIN || errno == EBUSY) {
        return Status::Error(EBUSY, "'" + path + "' is in use by another program");
      }
    }
    const int flags = fcntl(fd.get(), F_GETFL);
    if (flags >= 0) fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK);
    return WrapWritableFile(std::move(fd), path, leased);
  }

  Result<std::vector<std::string>> ListNames() override {
    const int copy = RetryOpenAt(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) return Status::FromErrno(errno, "list folder", path_);
    DIR* dir = fdopendir(copy);
    if (dir == nullptr) {
      const int err = errno;
      close(copy);
      return Status::FromErrno(err, "list folder", path_);
    }
    return ReadNamesAndClose(dir, path_);
  }

  Status AddOwnerWriteAt(const std::string& name, const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    struct stat st;
    if (fstatat(fd_.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      return Status::FromErrno(errno, "examine", path);
    }
    if (S_ISLNK(st.st_mode) || (st.st_mode & S_IWUSR) != 0) return Status::Ok();
    if (expected != nullptr && !SameObject(InfoOf(st), *expected)) {
      return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
    }
    RacePoint(RaceStep::kOwnerWriteChecked, path);
    // A chmod by name follows whatever link is swapped in after the check:
    // the mode goes to the object held here, which must be the one examined.
    UniqueFd held(RetryOpenAt(fd_.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    if (!held.valid()) return Status::FromErrno(errno, "give write permission to", path);
    struct stat now;
    if (fstat(held.get(), &now) != 0) return Status::FromErrno(errno, "examine", path);
    if (S_ISLNK(now.st_mode) || !SameObject(InfoOf(now), InfoOf(st))) {
      return Status::Error(ESTALE, "'" + path + "' was replaced while its mode was changed");
    }
    if (!ChmodHeld(held.get(), (now.st_mode & 07777) | S_IWUSR)) {
      return Status::FromErrno(errno, "give write permission to", path);
    }
    return Status::Ok();
  }

  Status CheckRemovable(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    if (!removability_) removability_ = AskRemovability();
    const Removability& folder = *removability_;
    if (folder.error != 0) return Status::FromErrno(folder.error, "remove", path);
    if (folder.flags_forbid) {
      return Status::Error(EPERM, "'" + path_ + "' is immutable or append-only");
    }
    // Only a sticky folder asks whose the entry is.
    if (!folder.sticky || folder.me == 0 || folder.owner == folder.me) return Status::Ok();
    struct stat entry;
    if (fstatat(fd_.get(), name.c_str(), &entry, AT_SYMLINK_NOFOLLOW) != 0) {
      return Status::FromErrno(errno, "examine", path);
    }
    if (entry.st_uid != folder.me) {
      return Status::Error(EPERM, "'" + path +
                                      "' belongs to another user in a folder where only the "
                                      "owner may remove entries");
    }
    return Status::Ok();
  }

  Status SetTimes(const FileTime& access, const FileTime& modification) override {
    return SetTimesOf(fd_.get(), access, modification, path_);
  }

  Status RenameAt(const std::string& from, const std::string& to) override {
    if (!IsPlainName(from)) return BadName(path_, from);
    if (!IsPlainName(to)) return BadName(path_, to);
    const int dir = fd_.get();
    if (renameat2(dir, from.c_str(), dir, to.c_str(), RENAME_NOREPLACE) == 0) return Status::Ok();
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
      return Status::FromErrno(errno, "rename", Child(from));
    }
    // No RENAME_NOREPLACE here: a hard link cannot replace an existing name
    // either. Folders cannot be linked and stay where they are.
    if (linkat(dir, from.c_str(), dir, to.c_str(), 0) != 0) {
      return Status::FromErrno(errno, "rename", Child(from));
    }
    if (unlinkat(dir, from.c_str(), 0) != 0) {
      const int err = errno;
      unlinkat(dir, to.c_str(), 0);
      return Status::FromErrno(err, "rename", Child(from));
    }
    return Status::Ok();
  }

  Status RemoveAt(const std::string& name, bool folder) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    if (unlinkat(fd_.get(), name.c_str(), folder ? AT_REMOVEDIR : 0) != 0) {
      return Status::FromErrno(errno, folder ? "remove folder" : "delete", Child(name));
    }
    return Status::Ok();
  }

  Status CreateAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    for (;;) {
      const UniqueFd fd(openat(fd_.get(), name.c_str(),
                               O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                               0600));
      if (fd.valid()) return Status::Ok();
      if (errno != EINTR) return Status::FromErrno(errno, "create", Child(name));
    }
  }

  Result<std::vector<std::string>> ListStreamsAt(const std::string&) override {
    return std::vector<std::string>{};
  }

  Result<std::unique_ptr<WritableFile>> OpenStreamAt(const std::string& name,
                                                     const std::string& stream,
                                                     const FileInfo*) override {
    return Status::Error(ENOTSUP, "open stream '" + stream + "' of '" + Child(name) +
                                      "': files have no named streams here");
  }

  Status RemoveStreamAt(const std::string& name, const std::string& stream) override {
    return Status::Error(ENOTSUP, "remove stream '" + stream + "' of '" + Child(name) +
                                      "': files have no named streams here");
  }

  Status MakeFolderAt(const std::string& name) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    if (mkdirat(fd_.get(), name.c_str(), 0700) != 0) {
      return Status::FromErrno(errno, "make folder", Child(name));
    }
    return Status::Ok();
  }

  Result<std::unique_ptr<ReadableFile>> OpenForReadingAt(const std::string& name,
                                                         const FileInfo* expected) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    UniqueFd fd(RetryOpenAt(fd_.get(), name.c_str(),
                            O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd.valid()) return Status::FromErrno(errno, "open for reading", path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "examine", path);
    if (!S_ISREG(st.st_mode)) return Status::Error(EINVAL, "not a regular file: '" + path + "'");
    if (expected != nullptr && !SameObject(InfoOf(st), *expected)) {
      return Status::Error(ESTALE, "'" + path + "' is no longer what was listed");
    }
    return WrapReadableFile(std::move(fd), path);
  }

  Status SyncFileSystem() override {
    RacePoint(RaceStep::kBeforeFileSystemSync, path_);
    if (syncfs(fd_.get()) == 0) return Status::Ok();
    return SyncFailure(errno, "sync file system of");
  }

  // A search-only folder is held by an O_PATH handle, which no sync takes:
  // say so rather than "Bad file descriptor".
  Status SyncFailure(int error, const char* operation) {
    const int flags = fcntl(fd_.get(), F_GETFL);
    if (error == EBADF && flags >= 0 && (flags & O_PATH) != 0) {
      return Status::Error(EACCES, std::string(operation) + " '" + path_ +
                                       "': the folder may be searched but not read");
    }
    return Status::FromErrno(error, operation, path_);
  }

  Status ReplaceFileAt(const std::string& name, std::string_view content,
                       const FileInfo& like) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    struct stat now;
    if (fstatat(fd_.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
      return Status::FromErrno(errno, "examine", path);
    }
    if (!S_ISREG(now.st_mode) || !SameObject(InfoOf(now), like)) {
      return Status::Error(ESTALE, "'" + path + "' changed before it could be rewritten");
    }
    std::string temp;
    UniqueFd fd;
    for (int attempt = 0; attempt < 16 && !fd.valid(); ++attempt) {
      unsigned int random = 0;
      if (getrandom(&random, sizeof random, 0) != sizeof random) random = attempt;
      // Appended piece by piece: GCC 12 warns about "." + std::string at -O2.
      temp.assign(1, '.');
      temp.append(name, 0, 64);
      temp.append(".tarnwell-");
      temp.append(std::to_string(random));
      fd = UniqueFd(openat(fd_.get(), temp.c_str(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
      if (!fd.valid() && errno != EEXIST && errno != EINTR) {
        return Status::FromErrno(errno, "create", Child(temp));
      }
    }
    if (!fd.valid()) return Status::FromErrno(EEXIST, "create", Child(temp));
    const auto fail = [&](const char* operation) {
      const Status status = Status::FromErrno(errno, operation, Child(temp));
      unlinkat(fd_.get(), temp.c_str(), 0);
      return status;
    };
    for (size_t done = 0; done < content.size();) {
      const ssize_t n = write(fd.get(), content.data() + done, content.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail("write");
      done += static_cast<size_t>(n);
    }
    // Owner first: a chown clears set-id bits the mode may then restore.
    const bool other_owner = like.owner != geteuid() || like.group != getegid();
    if (other_owner && fchown(fd.get(), like.owner, like.group) != 0) return fail("set owner of");
    if (fchmod(fd.get(), like.mode & 07777) != 0) return fail("set permissions of");
    if (fdatasync(fd.get()) != 0) return fail("sync");
    if (renameat(fd_.get(), temp.c_str(), fd_.get(), name.c_str()) != 0) return fail("rename");
    return Sync();
  }

  Status Sync() override {
    for (;;) {
      if (fsync(fd_.get()) == 0) return Status::Ok();
      if (errno != EINTR) return SyncFailure(errno, "sync folder");
    }
  }

  size_t MaxNameLength() override {
    const long n = fpathconf(fd_.get(), _PC_NAME_MAX);
    return n > 0 ? static_cast<size_t>(n) : 255;
  }

  Result<std::unique_ptr<WritableFile>> CreateLockedAt(const std::string& name,
                                                       std::unique_ptr<FileLock>* lock) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    UniqueFd fd(RetryOpenAt(fd_.get(), name.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600));
    if (!fd.valid()) return Status::FromErrno(errno, "create", path);
    // Another fill's clean-up may lock or delete the file before this lock.
    if (flock(fd.get(), LOCK_EX | LOCK_NB) != 0 || !StillNamed(fd.get(), name)) {
      return Status::Error(EAGAIN, "'" + path + "' was taken by another process");
    }
    // The lock belongs to the open file, which the duplicate keeps open
    // after the writer closes its descriptor.
    UniqueFd held(fcntl(fd.get(), F_DUPFD_CLOEXEC, 0));
    if (!held.valid()) return Status::FromErrno(errno, "keep the lock of", path);
    *lock = WrapFileLock(std::move(held));
    return WrapWritableFile(std::move(fd), path, false);
  }

  Result<std::unique_ptr<FileLock>> TryLockAt(const std::string& name, bool create,
                                              FileInfo* info) override {
    if (!IsPlainName(name)) return BadName(path_, name);
    const std::string path = Child(name);
    UniqueFd fd(RetryOpenAt(
        fd_.get(), name.c_str(),
        O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (create ? O_CREAT : 0), 0600));
    if (!fd.valid()) return Status::FromErrno(errno, "open for locking", path);
    struct stat st;
    if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "examine", path);
    if (!S_ISREG(st.st_mode)) return Status::Error(EINVAL, "not a regular file: '" + path + "'");
    for (;;) {
      if (flock(fd.get(), LOCK_EX | LOCK_NB) == 0) break;
      if (errno != EINTR) return Status::FromErrno(errno, "lock", path);
    }
    // A lock file removed by its last holder is no lock any more.
    if (create && !StillNamed(fd.get(), name)) {
      return Status::Error(EWOULDBLOCK, "lock '" + path + "': replaced meanwhile");
    }
    if (info != nullptr) *info = InfoOf(st);
    return WrapFileLock(std::move(fd));
  }

  Result<VolumeSpace> Space() override { return SpaceOf(fd_.get(), path_); }

  Result<MountInfo> Mount() override { return MountOf(fd_.get(), path_); }

  Status CheckpointJournal(bool zero_out, bool dry_run) override {
    return CheckpointJournalOf(fd_.get(), path_, zero_out, dry_run);
  }

 private:
  std::string Child(const std::string& name) const {
    return path_ == "/" ? "/" + name : path_ + "/" + name;
  }

  // True while name in this folder is the object fd holds.
  bool StillNamed(int fd, const std::string& name) const {
    struct stat held, named;
    return fstat(fd, &held) == 0 &&
           fstatat(fd_.get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
  }

  // The folder's own part of CheckRemovable, asked once while it is held.
  struct Removability {
    int error = 0;  // errno of the folder's examination or of the kernel's rule
    bool sticky = false;
    bool flags_forbid = false;
    uid_t owner = 0;
    uid_t me = 0;
  };
  Removability AskRemovability() const {
    Removability answer;
    struct stat self;
    if (fstat(fd_.get(), &self) != 0) {
      answer.error = errno;
      return answer;
    }
    // The kernel's own rule for this process (capabilities and ACLs included).
    if (faccessat(fd_.get(), ".", W_OK | X_OK, AT_EACCESS) != 0) {
      answer.error = errno;
      return answer;
    }
    answer.sticky = (self.st_mode & S_ISVTX) != 0;
    answer.owner = self.st_uid;
    answer.me = geteuid();
    answer.flags_forbid = FolderFlagsForbidChanges(fd_.get());
    return answer;
  }

  UniqueFd fd_;
  std::string path_;
  std::optional<Removability> removability_;
};

}  // namespace

Result<std::unique_ptr<Folder>> OpenFolderByPath(const std::string& path,
                                                 const FileInfo* expected) {
  UniqueFd fd(OpenFolderFd(AT_FDCWD, path.c_str(), 0));
  if (!fd.valid()) return Status::FromErrno(errno, "open folder", path);
  if (Status s = CheckExpected(fd.get(), expected, path); !s.ok()) return s;
  return std::unique_ptr<Folder>(new PosixFolder(std::move(fd), path));
}

Result<std::unique_ptr<Folder>> OpenPrivateFolderAt(const std::string& path) {
  UniqueFd fd(RetryOpenAt(AT_FDCWD, path.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    const int err = errno;
    // O_DIRECTORY may answer a link with ENOTDIR.
    struct stat own;
    if (err == ELOOP || (lstat(path.c_str(), &own) == 0 && S_ISLNK(own.st_mode))) {
      return Status::Error(ELOOP, "'" + path + "' is a link");
    }
    return Status::FromErrno(err, "open folder", path);
  }
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return Status::FromErrno(errno, "examine", path);
  if (st.st_uid != geteuid()) {
    return Status::Error(EPERM, "'" + path + "' belongs to user " + std::to_string(st.st_uid));
  }
  if ((st.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    return Status::Error(EACCES, "'" + path + "' is open to other users (mode " + mode + ")");
  }
  return std::unique_ptr<Folder>(new PosixFolder(std::move(fd), path));
}

Result<FileSystemInfo> FileSystemOf(int fd, const std::string& path) {
  struct statfs fs;
  if (fstatfs(fd, &fs) != 0) return Status::FromErrno(errno, "examine the file system of", path);
  FileSystemInfo info;
  const auto magic = static_cast<unsigned long>(fs.f_type) & 0xFFFFFFFFul;
  for (const TypeName& type : kTypes) {
    if (type.magic == magic) {
      info.type = type.name;
      info.kernel_view = type.kernel_view;
    }
  }
  return info;
}

Status SetTimesOf(int fd, const FileTime& access, const FileTime& modification,
                  const std::string& path) {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(access.seconds);
  times[0].tv_nsec = static_cast<long>(access.nanoseconds);
  times[1].tv_sec = static_cast<time_t>(modification.seconds);
  times[1].tv_nsec = static_cast<long>(modification.nanoseconds);
  if (futimens(fd, times) != 0) return Status::FromErrno(errno, "set times of", path);
  return Status::Ok();
}

Result<std::string> ResolvePath(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return Status::FromErrno(errno, "resolve", path);
  std::string out(resolved);
  std::free(resolved);
  return out;
}

}  // namespace tarnwell::platform::posix
