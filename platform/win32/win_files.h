// Files and folders through handles: what an entry is, folder listings, and
// the files the erase writes and reads. Every open uses
// FILE_FLAG_OPEN_REPARSE_POINT, so a symbolic link or junction is the entry
// itself and is never followed.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/win32/win_handle.h"
#include "platform/win32/windows_api.h"

namespace tarnwell::platform::win32 {

// Share modes that let others do anything: for looking, never for writing.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens the entry at path itself (a link is not followed; folders too).
Result<UniqueHandle> OpenEntry(const std::string& path, DWORD access, DWORD share,
                               const char* operation = "open", DWORD flags = 0);

// Kind, size, identity (volume serial number, file id) and permission bits
// (read-only clears the write bits) of an open entry.
Result<FileInfo> DescribeHandle(HANDLE handle, const std::string& path);

// Entries of the folder at path, read from its handle.
Result<std::unique_ptr<Directory>> OpenFolderListing(const std::string& path);
// The same for a folder already open on handle (FILE_LIST_DIRECTORY).
Result<std::unique_ptr<Directory>> ListFolder(UniqueHandle handle, const std::string& path);

// Operations on an entry open on handle; path names it in messages.
// Clears the read-only attribute (a link is left as it is).
Status ClearReadOnly(HANDLE handle, const std::string& path);
// Renames to target (an NT path, or a name inside folder when folder is not
// null), never replacing an existing entry: EEXIST then.
Status RenameHandle(HANDLE handle, HANDLE folder, const std::wstring& target,
                    const std::string& path, bool replace = false);
// Deletes the entry itself (a link, never its target) when the handle closes.
Status DeleteHandle(HANDLE handle, const std::string& path);
// Flushes a folder's changes; a file system that cannot flush a folder writes
// them through its own log (NTFS), and that counts as done.
Status FlushFolder(HANDLE handle, const std::string& path);

// Opens the same file again, unbuffered (FILE_FLAG_NO_BUFFERING) when direct
// is set, with share mode 0; the caller has closed its handle first.
using Reopen = std::function<Result<UniqueHandle>(bool direct)>;

// The file open on handle as a WritableFile; refuses anything but a regular
// file and, with expected given, another object than expected.
Result<std::unique_ptr<WritableFile>> WrapWritable(UniqueHandle handle, const std::string& path,
                                                   const FileInfo* expected, Reopen reopen);

// A regular file opened for writing with share mode 0: while it is open no
// other program can open it. Refuses links, folders, devices and files that
// do not match expected (when given).
Result<std::unique_ptr<WritableFile>> OpenFileForOverwrite(const std::string& path,
                                                           const FileInfo* expected);
// A new file (CREATE_NEW: nothing may be at path, a link included).
Result<std::unique_ptr<WritableFile>> CreateNewFile(const std::string& path);
// A new file as CreateNewFile, and in *lock a second handle holding an
// exclusive LockFileEx lock (see LockHandle) until it is destroyed. Both
// handles share the file with each other, so others may open it too.
Result<std::unique_ptr<WritableFile>> CreateNewLockedFile(const std::string& path,
                                                          std::unique_ptr<FileLock>* lock);
// Takes the exclusive lock of the open handle, waiting for it or not.
// Windows locks are mandatory, so the lock covers one byte far past any end
// of file, where it keeps no reader or writer of the data out.
Result<std::unique_ptr<FileLock>> LockHandle(UniqueHandle handle, bool wait,
                                             const std::string& path);
// handle, opened for reading, as a ReadableFile; anything but a regular file
// is refused (EINVAL), and with expected given any other object (ESTALE).
Result<std::unique_ptr<ReadableFile>> WrapReadable(UniqueHandle handle, const std::string& path,
                                                   const FileInfo* expected);
// The whole content of the regular file at path, EFBIG past max_bytes.
Result<std::string> ReadRegularFileAt(const std::string& path, size_t max_bytes);

// Unix seconds and nanoseconds as a FILETIME and back.
FILETIME ToFileTime(const FileTime& time);

}  // namespace tarnwell::platform::win32
