#include "platform/win32/win_relative.h"

#include <winternl.h>

#include <cerrno>

#include "platform/win32/win_status.h"

namespace tarnwell::platform::win32 {
namespace {

// Create options of NtCreateFile (ntifs.h), which the SDK headers leave out.
constexpr ULONG kDirectoryFile = 0x00000001;
constexpr ULONG kNonDirectoryFile = 0x00000040;
constexpr ULONG kSynchronousIo = 0x00000020;
constexpr ULONG kOpenForBackup = 0x00004000;
constexpr ULONG kOpenReparsePoint = 0x00200000;
constexpr ULONG kFileOpen = 1;    // disposition: open an existing entry only
constexpr ULONG kFileCreate = 2;  // disposition: a new entry; taken names fail
constexpr ULONG kFileOpenIf = 3;  // disposition: open, or create when missing
// NTSTATUS values whose Win32 translation (access denied) hides what went wrong.
constexpr NTSTATUS kFileIsADirectory = static_cast<NTSTATUS>(0xC00000BA);
constexpr NTSTATUS kNotADirectory = static_cast<NTSTATUS>(0xC0000103);

Result<UniqueHandle> NtOpen(HANDLE folder, const std::wstring& name, DWORD access, DWORD share,
                            EntryShape shape, DWORD options, ULONG disposition,
                            const char* operation, const std::string& path) {
  UNICODE_STRING object_name;
  object_name.Buffer = const_cast<wchar_t*>(name.c_str());
  object_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  object_name.MaximumLength = object_name.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, folder, nullptr);
  ULONG create = kSynchronousIo | kOpenForBackup | kOpenReparsePoint | options;
  if (shape == EntryShape::kFolder) create |= kDirectoryFile;
  if (shape == EntryShape::kNonFolder) create |= kNonDirectoryFile;
  HANDLE handle = INVALID_HANDLE_VALUE;
  IO_STATUS_BLOCK io{};
  const NTSTATUS status =
      NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                   share, disposition, create, nullptr, 0);
  if (status == kFileIsADirectory) {
    return Status::Error(EINVAL, std::string(operation) + " '" + path + "': is a folder");
  }
  if (status == kNotADirectory) {
    return Status::Error(ENOTDIR, std::string(operation) + " '" + path + "': not a folder");
  }
  if (status < 0) return FromWin32(RtlNtStatusToDosError(status), operation, path);
  return UniqueHandle(handle);
}

}  // namespace

Result<UniqueHandle> OpenRelative(HANDLE folder, const std::wstring& name, DWORD access,
                                  DWORD share, EntryShape shape, DWORD options,
                                  const char* operation, const std::string& path) {
  return NtOpen(folder, name, access, share, shape, options, kFileOpen, operation, path);
}

Status CreateRelative(HANDLE folder, const std::wstring& name, const std::string& path) {
  Result<UniqueHandle> created = NtOpen(folder, name, GENERIC_WRITE, 0, EntryShape::kNonFolder, 0,
                                        kFileCreate, "create", path);
  return created.ok() ? Status::Ok() : created.status();
}

Status CreateRelativeFolder(HANDLE folder, const std::wstring& name, const std::string& path) {
  Result<UniqueHandle> created = NtOpen(folder, name, FILE_LIST_DIRECTORY,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        EntryShape::kFolder, 0, kFileCreate, "make folder", path);
  return created.ok() ? Status::Ok() : created.status();
}

Result<UniqueHandle> CreateRelativeOpen(HANDLE folder, const std::wstring& name, DWORD access,
                                        DWORD share, bool if_missing, const std::string& path) {
  return NtOpen(folder, name, access, share, EntryShape::kNonFolder, 0,
                if_missing ? kFileOpenIf : kFileCreate, "create", path);
}

}  // namespace tarnwell::platform::win32
