// Win32 error codes turned into the contract's errno-style Status values.
#pragma once

#include <string_view>

#include "platform/status.h"
#include "platform/win32/windows_api.h"

namespace tarnwell::platform::win32 {

// The errno value that stands for a Win32 error (EIO for the unknown ones).
int ErrnoOf(DWORD error);

// "operation 'path': <the system's text>" with the errno value of error.
Status FromWin32(DWORD error, std::string_view operation, std::string_view path);

// FromWin32 of GetLastError().
Status LastError(std::string_view operation, std::string_view path);

}  // namespace tarnwell::platform::win32
