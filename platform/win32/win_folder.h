// Folder handles on Windows (see Folder in platform/env.h).
#pragma once

#include <memory>
#include <string>

#include "platform/env.h"
#include "platform/win32/win_files.h"

namespace tarnwell::platform::win32 {

// handle, an open folder, as a Folder; refuses anything but a folder and,
// with expected given, another object.
Result<std::unique_ptr<Folder>> MakeFolder(UniqueHandle handle, const std::string& path,
                                           const FileInfo* expected);
// Opens the folder at path, links on the way followed (the last included).
Result<std::unique_ptr<Folder>> OpenFolderByPath(const std::string& path, const FileInfo* expected);
// Makes the folder at path when missing, with a protected access list for
// the system, the administrators and this user, and opens it, its own name
// not followed, when it is this user's alone (see Env::OpenPrivateFolder).
Result<std::unique_ptr<Folder>> OpenPrivateFolderAt(const std::string& path);

}  // namespace tarnwell::platform::win32
