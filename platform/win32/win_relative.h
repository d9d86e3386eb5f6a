// Opens entries relative to an open folder handle (NtCreateFile with a root
// directory), so a folder renamed or swapped above it cannot redirect them.
#pragma once

#include <string>

#include "platform/status.h"
#include "platform/win32/win_handle.h"

namespace tarnwell::platform::win32 {

// What to open below the folder.
enum class EntryShape { kAny, kFolder, kNonFolder };

// Opens name inside folder (name empty: the folder itself again), never
// following a link. options are extra NtCreateFile create options.
Result<UniqueHandle> OpenRelative(HANDLE folder, const std::wstring& name, DWORD access,
                                  DWORD share, EntryShape shape, DWORD options,
                                  const char* operation, const std::string& path);

// Creates the new, empty file name inside folder; a taken name (a link
// included) fails with EEXIST and is left as it is.
Status CreateRelative(HANDLE folder, const std::wstring& name, const std::string& path);
// Creates the new, empty folder name inside folder; a taken name fails with
// EEXIST and is left as it is.
Status CreateRelativeFolder(HANDLE folder, const std::wstring& name, const std::string& path);
// The same as CreateRelative, and the new file stays open on the handle returned, with access
// and share. With if_missing an existing entry is opened instead (never
// followed; a folder is refused).
Result<UniqueHandle> CreateRelativeOpen(HANDLE folder, const std::wstring& name, DWORD access,
                                        DWORD share, bool if_missing, const std::string& path);

}  // namespace tarnwell::platform::win32
