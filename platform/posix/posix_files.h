// What posix_env.cpp shares with the folder handles of posix_folder.cpp.
#pragma once

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/posix/fd.h"

namespace tarnwell::platform::posix {

FileInfo InfoOf(const struct stat& st);
// A writable file over an open descriptor; exclusive when the descriptor holds
// a write lease.
std::unique_ptr<WritableFile> WrapWritableFile(UniqueFd fd, std::string path, bool leased);
// A readable file over an open descriptor.
std::unique_ptr<ReadableFile> WrapReadableFile(UniqueFd fd, std::string path);
// The lock an flock'ed descriptor holds, released when destroyed.
std::unique_ptr<FileLock> WrapFileLock(UniqueFd fd);
// Opens a folder by path (links followed) and checks it against expected.
Result<std::unique_ptr<Folder>> OpenFolderByPath(const std::string& path, const FileInfo* expected);
// Opens the existing folder at path, its own name not followed, when it is
// this user's alone (see Env::OpenPrivateFolder).
Result<std::unique_ptr<Folder>> OpenPrivateFolderAt(const std::string& path);
// The file system of an open descriptor, named by its type number.
Result<FileSystemInfo> FileSystemOf(int fd, const std::string& path);
// futimens on any open descriptor (file or folder).
Status SetTimesOf(int fd, const FileTime& access, const FileTime& modification,
                  const std::string& path);
// The names a listing holds, never "." or ".."; closes dir.
Result<std::vector<std::string>> ReadNamesAndClose(DIR* dir, const std::string& path);
// realpath(3).
Result<std::string> ResolvePath(const std::string& path);

}  // namespace tarnwell::platform::posix
