#include "platform/win32/win_status.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/win32/win_text.h"

namespace tarnwell::platform {

Status Status::FromErrno(int code, std::string_view operation, std::string_view path) {
  std::string message = OperationPrefix(operation, path);
  message += code == ESTALE ? "Stale file handle" : std::strerror(code);
  return Status(code == 0 ? -1 : code, std::move(message));
}

namespace win32 {

int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_PRIVILEGE_NOT_HELD:
      return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_BUSY:
      return EBUSY;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_TOO_LARGE:
      return EFBIG;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_NEGATIVE_SEEK:
      return EINVAL;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_CALL_NOT_IMPLEMENTED:
      return ENOTSUP;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
      return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_CANT_ACCESS_FILE:
    case ERROR_CANT_RESOLVE_FILENAME:
      return ELOOP;
    default:
      return EIO;
  }
}

Status FromWin32(DWORD error, std::string_view operation, std::string_view path) {
  std::string message = OperationPrefix(operation, path);
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string system_text = n > 0 ? ToUtf8(std::wstring_view(text, n)) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!system_text.empty() && (system_text.back() == '\n' || system_text.back() == '\r' ||
                                  system_text.back() == ' ' || system_text.back() == '.')) {
    system_text.pop_back();
  }
  if (system_text.empty()) system_text = "error " + std::to_string(error);
  message += system_text;
  return Status::Error(ErrnoOf(error), std::move(message));
}

Status LastError(std::string_view operation, std::string_view path) {
  return FromWin32(GetLastError(), operation, path);
}

}  // namespace win32
}  // namespace tarnwell::platform
