// The one interface through which the logic reaches the operating system.
// Every call is safe to use from several threads at once unless it says
// otherwise. Failures come back as Status values whose message names the
// operation and the path; EINTR is retried inside. Paths are native byte
// strings and are never truncated, case-folded or re-encoded.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace tarnwell::platform {

enum class FileKind : uint8_t {
  kRegular,
  kDirectory,
  kSymlink,
  kFifo,
  kSocket,
  kCharDevice,
  kBlockDevice,
  kOther,
};

// What lstat says about an entry; links are described, never followed.
struct FileInfo {
  FileKind kind = FileKind::kOther;
  uint64_t size = 0;    // bytes; for a symlink the length of its target text
  uint64_t device = 0;  // the file system it lives on
  uint64_t inode = 0;
  uint32_t mode = 0;       // permission bits only
  uint32_t links = 1;      // names the object has in the file system (hard links)
  uint64_t allocated = 0;  // bytes of storage it holds; less than size for a sparse file
  uint32_t owner = 0;      // user and group number; 0 on Windows, which has no such numbers
  uint32_t group = 0;
};

// True when a and b are one object of the file system: same volume, same file
// number. Names and kinds are not compared.
inline bool SameObject(const FileInfo& a, const FileInfo& b) {
  return a.device == b.device && a.inode == b.inode;
}

// The file system an object lives on, as far as the erase needs to know.
struct FileSystemInfo {
  std::string type;  // "ext4", "btrfs", "vfat", "tmpfs", "sysfs", ...; "" when unknown
  // True for a file system the kernel synthesises (process, device and
  // kernel-setting views): a write there is a command, not stored data, and
  // its entries are never written, renamed or removed.
  bool kernel_view = false;
};

// [offset, offset + length) of a file.
struct ByteRange {
  uint64_t offset = 0;
  uint64_t length = 0;
};

struct DirEntry {
  std::string name;  // never "." or ".."
  FileInfo info;
  bool info_ok = false;  // false when the entry vanished or could not be examined
};

// An open folder listing. Not thread-safe; one user at a time.
class Directory {
 public:
  virtual ~Directory() = default;
  // Fills *entry with the next entry and returns true; false at the end or on
  // an error (then status() says which).
  virtual bool Next(DirEntry* entry) = 0;
  virtual const Status& status() const = 0;
};

// Seconds and nanoseconds since the Unix epoch, UTC.
struct FileTime {
  int64_t seconds = 0;
  int64_t nanoseconds = 0;
};

// A regular file opened for writing in place (never created, never truncated).
// Not thread-safe. The destructor closes a file that is still open and drops
// the error: call Close() to learn it.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  virtual const std::string& path() const = 0;
  virtual Result<FileInfo> Stat() = 0;
  // One positioned write. May write fewer bytes than asked (returns the count);
  // never reports an unwritten byte as written. With direct I/O on, data,
  // offset and length must be aligned to direct_alignment(), else EINVAL.
  virtual Result<size_t> WriteAt(uint64_t offset, const void* data, size_t length) = 0;
  // Switches O_DIRECT on or off. EINVAL when the file system refuses it.
  virtual Status SetDirect(bool on) = 0;
  virtual bool direct() const = 0;
  // The alignment direct I/O needs on this file (block size of the device, at
  // least 512); meaningful only after SetDirect(true) succeeded.
  virtual size_t direct_alignment() const = 0;
  virtual Status DataSync() = 0;
  // Gives the blocks under [offset, offset + length) back to the file system;
  // the file keeps its size and the range reads as zeros. ENOTSUP (or
  // EOPNOTSUPP) where the file system cannot do that.
  virtual Status PunchHole(uint64_t offset, uint64_t length) = 0;
  // Gives the file blocks for [offset, offset + length) without writing them
  // (they read as zeros until written; the disk keeps its old bytes there).
  // ENOSPC when the volume is full; ENOTSUP (or EOPNOTSUPP) where the file
  // system cannot.
  virtual Status Allocate(uint64_t offset, uint64_t length) = 0;
  // As Env::SetTimes, through the open file.
  virtual Status SetTimes(const FileTime& access, const FileTime& modification) = 0;
  virtual Status Close() = 0;
  // The first range at or after from, below end, that holds data; length 0
  // when only holes are left. Holes read as zeros and hold no disk blocks. A
  // file system that cannot tell answers [from, end): all of it is data.
  virtual Result<ByteRange> NextData(uint64_t from, uint64_t end) = 0;
  // True while no other handle, of this or any other program, has the file
  // open, and opening it elsewhere waits until this handle is closed (or the
  // system takes the file back after a while, which turns this false). False
  // where the file system cannot promise that. Only Folder::OpenAt with
  // exclusive set asks for it.
  virtual bool exclusive() = 0;
};

// A regular file opened for reading. Not thread-safe.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to length bytes; 0 at the end of the file.
  virtual Result<size_t> ReadAt(uint64_t offset, void* data, size_t length) = 0;
  // Asks the kernel to forget cached pages, so the next read comes from disk.
  virtual Status DropCache() = 0;
  virtual Status Close() = 0;
};

// Where the desktop keeps what it remembers of a user's files. A folder is
// "" where this system has no such store.
struct DesktopStores {
  std::string home;
  std::string cache_home;    // $XDG_CACHE_HOME, else home/.cache (thumbnails)
  std::string data_home;     // $XDG_DATA_HOME, else home/.local/share (recent lists, trash)
  std::string recent_links;  // Windows: %APPDATA%/Microsoft/Windows/Recent (shortcuts)
  // The user the stores must belong to; unset where files carry no user
  // number (Windows, whose profile folders keep other users out).
  std::optional<uint32_t> owner;
};

struct VolumeSpace {
  uint64_t block_size = 0;
  uint64_t total_bytes = 0;
  uint64_t available_bytes = 0;  // what an ordinary user may still write
  uint64_t free_bytes = 0;       // including the blocks reserved for root
  // The file system's records (inodes, MFT records): how many it has and how
  // many are free by its own count; both 0 where it does not tell.
  uint64_t total_records = 0;
  uint64_t free_records = 0;
};

struct MountInfo {
  std::string mount_point;
  std::string fs_type;  // "ext4", "btrfs", "tmpfs", "fuse.sshfs", ...
  std::string source;   // device or remote
  std::string options;  // mount and super-block options, comma-separated
  uint64_t device = 0;
};

// Held lock; released when destroyed.
class FileLock {
 public:
  virtual ~FileLock() = default;
};

// An open folder. Entries inside it are reached, renamed and removed through
// the handle, so renaming or replacing the folder's path (or any folder above
// it) after the open cannot redirect them elsewhere. Names are single entry
// names: never empty, never "." or "..", never holding a '/'. Not
// thread-safe; one user at a time.
class Folder {
 public:
  virtual ~Folder() = default;
  // The path it was reached by, for messages; it is never looked up again.
  virtual const std::string& path() const = 0;
  // The folder itself.
  virtual Result<FileInfo> Stat() = 0;
  // The file system the folder lives on.
  virtual Result<FileSystemInfo> StatFs() = 0;
  // Describes the entry name itself; a link is described, not followed.
  virtual Result<FileInfo> DescribeAt(const std::string& name) = 0;
  // Opens the sub-folder name. Never follows a link (ELOOP or ENOTDIR). With
  // expected given, the folder opened must be that object (SameObject), else
  // ESTALE and nothing stays open: a folder mounted over name, or swapped in
  // for it, is refused.
  virtual Result<std::unique_ptr<Folder>> OpenFolderAt(const std::string& name,
                                                       const FileInfo* expected) = 0;
  // Opens the regular file name for writing in place (never created, never
  // truncated, never a link; never blocks on a FIFO; anything but a regular
  // file is refused with EINVAL; a file on a kernel view, see FileSystemInfo,
  // with EPERM). expected as for OpenFolderAt. With
  // exclusive set, the handle also tries to become the file's only user:
  // EBUSY when another handle has it open now; where the file system cannot
  // promise exclusivity the file opens anyway and exclusive() says false.
  virtual Result<std::unique_ptr<WritableFile>> OpenAt(const std::string& name,
                                                       const FileInfo* expected,
                                                       bool exclusive) = 0;
  // The names of the named data streams of the regular file name here
  // ("Zone.Identifier"), never its main stream. Empty where the file system
  // keeps none the erase must reach itself (POSIX: a file's streams on an
  // NTFS volume go with the file).
  virtual Result<std::vector<std::string>> ListStreamsAt(const std::string& name) = 0;
  // Opens the named stream of the regular file name for writing in place,
  // on the terms of OpenAt (expected is the file's identity). ENOTSUP where
  // files have no streams.
  virtual Result<std::unique_ptr<WritableFile>> OpenStreamAt(const std::string& name,
                                                             const std::string& stream,
                                                             const FileInfo* expected) = 0;
  // Removes the named stream of the file name; the file and its other
  // streams stay. ENOTSUP where files have no streams.
  virtual Status RemoveStreamAt(const std::string& name, const std::string& stream) = 0;
  // Opens the regular file name for reading, on the same terms as OpenAt
  // (never a link, never blocking, EINVAL for anything else, expected).
  virtual Result<std::unique_ptr<ReadableFile>> OpenForReadingAt(const std::string& name,
                                                                 const FileInfo* expected) = 0;
  // The names in the folder, never "." or "..".
  virtual Result<std::vector<std::string>> ListNames() = 0;
  // Adds owner write permission to the entry name when missing. The change
  // reaches the object that was examined, never a link's target nor an
  // object swapped in meanwhile (ESTALE); with expected given, that must be
  // the examined object too. A link is left as it is.
  virtual Status AddOwnerWriteAt(const std::string& name, const FileInfo* expected) = 0;
  // Whether this process may rename and remove the entry name here, asked
  // before anything is changed: EACCES when the folder is not writable for
  // it, EPERM when a sticky folder (or the folder's or entry's own flags)
  // keeps the entry from it, EROFS on a read-only volume. The folder's own
  // part of the answer may be remembered for as long as the handle is held.
  virtual Status CheckRemovable(const std::string& name) = 0;
  // Sets access and modification time of the folder itself.
  virtual Status SetTimes(const FileTime& access, const FileTime& modification) = 0;
  // Renames entry from to to inside this folder, never replacing an existing
  // entry: EEXIST when to exists. Where the file system has no such rename, a
  // file is linked under the new name and unlinked under the old one; a
  // folder is then refused (EINVAL or what the system said).
  virtual Status RenameAt(const std::string& from, const std::string& to) = 0;
  // Removes the entry name: an empty folder when folder is true, else a file,
  // link or other non-folder entry (which loses this one name).
  virtual Status RemoveAt(const std::string& name, bool folder) = 0;
  // Creates an empty regular file name in this folder (owner read and write
  // only), never through a link and never replacing anything: EEXIST when
  // the name is taken, a dangling link included.
  virtual Status CreateAt(const std::string& name) = 0;
  // Creates the new, empty folder name here (owner only), never through a
  // link and never replacing anything: EEXIST when the name is taken.
  virtual Status MakeFolderAt(const std::string& name) = 0;
  // Puts content in place of the regular file name in one step: a new file
  // here gets content, like's permission bits, owner and group (as far as
  // this process may give them), is synced and renamed over name, so a
  // reader sees the old content or the new, never a torn one. ESTALE, and
  // nothing changed, when name is not the object like describes.
  virtual Status ReplaceFileAt(const std::string& name, std::string_view content,
                               const FileInfo& like) = 0;
  // Makes renames and removals inside the folder durable.
  virtual Status Sync() = 0;
  // Writes every change of the file system this folder lives on to its
  // place on the disk (syncfs on the held handle; nothing is looked up).
  virtual Status SyncFileSystem() = 0;
  // True when a successful SyncFileSystem has also made the data written to
  // every file there durable, as syncfs does. Where it is not known to
  // (Windows: only an administrator may flush a volume, and wine flushes no
  // file through it), each file must be synced on its own.
  virtual bool SyncFileSystemReachesFiles() const { return true; }
  // The longest name one entry may have here, in bytes.
  virtual size_t MaxNameLength() = 0;
  // Creates the new regular file name here (owner read and write only),
  // never through a link and never replacing anything (EEXIST), and holds an
  // exclusive advisory lock on it until *lock is destroyed, also after the
  // file is closed. EAGAIN when another process locked or removed it first.
  virtual Result<std::unique_ptr<WritableFile>> CreateLockedAt(const std::string& name,
                                                               std::unique_ptr<FileLock>* lock) = 0;
  // Locks the regular file name here without waiting: EWOULDBLOCK while
  // another open file holds it. Never follows a link nor blocks on a FIFO;
  // anything but a regular file is EINVAL. With create, a missing file is
  // made first (owner read and write only), and a file removed or replaced
  // before the lock was taken counts as held (EWOULDBLOCK). info, when given,
  // receives what was locked.
  virtual Result<std::unique_ptr<FileLock>> TryLockAt(const std::string& name, bool create,
                                                      FileInfo* info) = 0;
  // The space of the volume the folder lives on, asked through the handle.
  virtual Result<VolumeSpace> Space() = 0;
  // The mount that holds the folder, found from the handle (the kernel's
  // mount id where it tells it, else the device); no path is looked up.
  virtual Result<MountInfo> Mount() = 0;
  // Writes every block the journal of the folder's file system still keeps
  // back to its home location, through the handle (ext4, CAP_SYS_ADMIN). With
  // zero_out the journal's own blocks are then overwritten with zeros, so no
  // old copy of a folder or inode block is left there (Linux 5.13 and later);
  // with dry_run it only asks whether that would work. EPERM without the
  // capability; ENODEV when the file system has no journal; ENOTTY, EINVAL,
  // EBADF or EOPNOTSUPP where the kernel, the file system or the handle
  // cannot.
  virtual Status CheckpointJournal(bool zero_out, bool dry_run) = 0;
};

// The user's number format for LC_NUMERIC, read without touching the process
// locale. POSIX locales have no leading-zero setting: it is always on.
struct NumberFormat {
  std::string decimal_point = ".";
  std::string thousands_separator;
  int grouping = 0;  // digits per group; 0 means no grouping
  bool leading_zero = true;
};

struct CalendarTime {
  int year = 1981, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

class Env {
 public:
  virtual ~Env() = default;

  // ---- files and folders -------------------------------------------------
  // lstat: describes the entry itself, a link included.
  virtual Result<FileInfo> Describe(const std::string& path) = 0;
  virtual Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) = 0;
  // Opens a folder by path, links in the path followed (the last component
  // included), so only for a folder whose identity the caller checks: with
  // expected given, a different object is refused with ESTALE.
  virtual Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path,
                                                     const FileInfo* expected) = 0;
  // Opens the folder at path that keeps this user's private state, making it
  // when missing: missing parents as ordinary folders, the folder itself
  // owner-only (mode 0700; on Windows with a protected access list for the
  // system, the administrators and this user). Its own name is never
  // followed. Refused, with nothing held, when it is a link (ELOOP), not a
  // folder (ENOTDIR), owned by anyone else (EPERM; on Windows the
  // administrators count as this user) or open to other users (EACCES).
  virtual Result<std::unique_ptr<Folder>> OpenPrivateFolder(const std::string& path) = 0;
  // The path every link and "." or ".." in it resolved, as the system itself
  // resolves it; the folder or file must exist. ENOENT when it does not.
  virtual Result<std::string> ResolvePath(const std::string& path) = 0;
  // A path as a user typed or set it, in the logic's form, where '/' is the
  // only separator. On Windows '\' separates as well and becomes '/' (a
  // \\?\ prefix is dropped); on POSIX '\' is a name byte and the path comes
  // back unchanged. Nothing is looked up.
  virtual std::string UserPath(const std::string& typed) = 0;
  // True when path (typed or in the logic's form) names the same entry from
  // any current folder: "/x" on POSIX; on Windows a drive letter with a
  // separator ("C:/x", "C:\x") or a UNC path ("//server/share"), never "C:x"
  // or "/x", which hang on the current drive and its folder. Nothing is
  // looked up.
  virtual bool IsAbsolutePath(const std::string& path) = 0;
  // Opens an existing regular file for writing without following a link.
  // Refuses (ENOTSUP-like error) anything that is not a regular file after the
  // open, so a FIFO, device or socket swapped in meanwhile is never written;
  // never blocks on a FIFO. expected, when given, must match device and inode.
  virtual Result<std::unique_ptr<WritableFile>> OpenForOverwrite(
      const std::string& path, const FileInfo* expected = nullptr) = 0;
  // Creates a new regular file (O_CREAT|O_EXCL|O_NOFOLLOW) with the given
  // permission bits; EEXIST when anything is at the path, a link included.
  virtual Result<std::unique_ptr<WritableFile>> CreateExclusive(const std::string& path,
                                                                uint32_t mode) = 0;
  // Sets access and modification time of the entry itself (a link's own).
  // Linux has no settable creation time; Windows gets the modification time
  // as its creation time too.
  virtual Status SetTimes(const std::string& path, const FileTime& access,
                          const FileTime& modification) = 0;
  // Renames without ever replacing an existing entry: EEXIST when to exists.
  virtual Status RenameNoReplace(const std::string& from, const std::string& to) = 0;
  virtual Status RemoveFile(const std::string& path) = 0;  // unlink
  // The longest name one entry may have in the folder, in bytes.
  virtual size_t MaxNameLength(const std::string& folder) = 0;

  // Whole small files (settings, system tables).
  virtual Result<std::string> ReadFile(const std::string& path) = 0;
  // What a replaced file must outlive: a crash of the machine (synced to the
  // disk), or only a kill of this process (the system's cache holds it).
  enum class Durability { kMachineCrash, kProcessKill };
  // Writes a temporary file in the same folder, syncs it as durability asks
  // and renames it over path, so a reader sees the old or the new content,
  // never a torn one.
  virtual Status ReplaceFileAtomically(const std::string& path, std::string_view content,
                                       Durability durability) = 0;
  // Creates an empty file if nothing is at path; an existing file is untouched.
  virtual Status CreateFileIfMissing(const std::string& path) = 0;
  virtual Status CreateDirectories(const std::string& path) = 0;
  virtual bool IsWritableDirectory(const std::string& path) = 0;

  // ---- volumes -----------------------------------------------------------
  // The mount that holds path (by the kernel's mount id where it tells it,
  // else by device number; btrfs volumes report a device of their own).
  virtual Result<MountInfo> FindMount(const std::string& path) = 0;
  // Every mount of the system, in the kernel's order. ENOTSUP where there is
  // no such table (Windows).
  virtual Result<std::vector<MountInfo>> ListMounts() = 0;

  // ---- process and system ------------------------------------------------
  virtual Result<std::string> ExecutablePath() = 0;
  virtual std::optional<std::string> GetEnvironment(const std::string& name) = 0;
  // $TMPDIR if set and not empty, else "/tmp"; no trailing slash.
  virtual std::string TempDirectory() = 0;
  // The per-user folder for settings when the program's own folder is not
  // writable: $XDG_CONFIG_HOME/tarnwell, else $HOME/.config/tarnwell
  // (%APPDATA%/Tarnwell on Windows). Not created here.
  virtual std::string UserSettingsFolder() = 0;
  // True when path is a folder of the system's installed programs, which no
  // program writes into at run time: on POSIX a folder owned by root under
  // /usr, /bin, /sbin, /lib or /opt (links resolved). Never on Windows, where
  // the folder's rights alone decide. False when path cannot be examined.
  virtual bool IsSystemProgramFolder(const std::string& path) = 0;
  // Where root (an administrator) keeps notes that must outlive a killed
  // process until the next start on this system: /run/tarnwell on Linux,
  // %ProgramData%/Tarnwell on Windows. Never a folder of the other system's
  // program: under wine the Windows program reaches every Linux path, and its
  // locks do not see the Linux program's. Not created here.
  virtual std::string MachineStateFolder() = 0;
  // Where a normal user keeps such notes: a folder of that user's alone,
  // which no other user can write to. $XDG_RUNTIME_DIR/tarnwell on POSIX
  // (emptied at boot), "" when that variable is unset or not absolute;
  // %LOCALAPPDATA%/Tarnwell on Windows (in the user's profile, not shared
  // with other users), "" when unset or not absolute. Not created here.
  virtual std::string UserStateFolder() = 0;
  // The language locale name: LC_ALL, else LC_MESSAGES, else LANG; "" if none.
  virtual std::string LanguageLocale() = 0;
  // The number format of the user's LC_NUMERIC (LC_ALL, LC_NUMERIC, LANG).
  virtual NumberFormat UserNumberFormat() = 0;
  // mktime of a local calendar time, daylight saving decided by the C library.
  virtual Result<int64_t> LocalTimeToEpoch(const CalendarTime& time) = 0;
  // Starts the desktop's default program for a file or web address and does
  // not wait for it.
  virtual Status OpenWithDefaultProgram(const std::string& target) = 0;
  virtual bool IsPrivileged() = 0;  // effective user is root
  // The desktop stores of the running user, from the environment (the XDG
  // variables, else their defaults below $HOME). Nothing is looked up.
  virtual DesktopStores UserDesktopStores() = 0;
  // The stores of the account named so (sudo's SUDO_USER): its home from the
  // account database, the default folders below it (another user's
  // environment is unknown). ENOENT for no such account; ENOTSUP on Windows.
  virtual Result<DesktopStores> AccountDesktopStores(const std::string& account) = 0;

  // ---- time and randomness -----------------------------------------------
  virtual int64_t MonotonicMillis() = 0;  // steady clock, never goes back
  virtual void SleepMillis(int64_t milliseconds) = 0;
  // A number in 0..INT_MAX from the system's random source (getrandom), so
  // random names differ from run to run.
  virtual int Random() = 0;

  // ---- item list ---------------------------------------------------------
  // The names in a folder (never "." or ".."), without examining any entry: a
  // cheaper existence check for many entries of one folder than a stat each.
  // Links on the way to the folder, its own name included, are followed as any
  // lookup of a path below it would; nothing is opened but the listing.
  virtual Result<std::vector<std::string>> ListNames(const std::string& folder) = 0;
  // The id of the mount that holds the entry itself (a link is not followed).
  // Two mounts of one file system (a bind mount) differ here while their
  // device numbers match. ENOTSUP where the kernel cannot tell.
  virtual Result<uint64_t> MountId(const std::string& path) = 0;

  // ---- free-space fill ---------------------------------------------------
  // Makes a write past the file-size limit fail with EFBIG instead of ending
  // the process with SIGXFSZ. Process-wide; calling it again does nothing.
  virtual void IgnoreFileSizeSignal() = 0;
  // The path made absolute against the current folder. Links are not
  // resolved; "." and ".." segments and repeated slashes are folded textually.
  virtual Result<std::string> AbsolutePath(const std::string& path) = 0;
  // The kernel's name of the block device with this device number ("loop0",
  // "sda1", "dm-0"), as used under /sys/fs/<type>/.
  virtual Result<std::string> BlockDeviceName(uint64_t device) = 0;
  // Writes value into an existing kernel setting file (sysfs, procfs) in one
  // write; never creates a file. The kernel's refusal comes back as the error.
  virtual Status WriteKernelSetting(const std::string& path, std::string_view value) = 0;

  // ---- erase and tarnwell-cli --------------------------------------------
  // True when standard input (0), output (1) or error (2) is a terminal.
  virtual bool IsTerminal(int stream) = 0;
  // The width in columns of the terminal on that stream; 0 when unknown.
  virtual int TerminalColumns(int stream) = 0;
  // From now on the first SIGINT, SIGTERM, SIGHUP or SIGQUIT sets
  // *flag instead of ending the process; the next one ends it as usual. flag must outlive
  // the process's handling of signals (a static or one in main's frame).
  virtual void StopOnInterrupt(std::atomic<bool>* flag) = 0;

  // ---- untrusted input files ---------------------------------------------
  // The whole content of a regular file of at most max_bytes. Never blocks on
  // a FIFO or device (EINVAL for anything but a regular file) and reads no
  // further than max_bytes + 1 (EFBIG beyond it), so a file that never ends
  // cannot exhaust memory.
  virtual Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) = 0;
};

// The process-wide implementation for this operating system.
Env& DefaultEnv();

}  // namespace tarnwell::platform
