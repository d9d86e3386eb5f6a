#include "platform/win32/win_system.h"

#include <cerrno>
#include <cwctype>
#include <vector>

#include "platform/win32/win_status.h"
#include "platform/win32/win_text.h"
#include "platform/win32/windows_api.h"

namespace tarnwell::platform::win32 {
namespace {

std::atomic<bool>* stop_flag = nullptr;

Result<std::wstring> WideRootOf(const std::string& path) {
  const std::wstring long_path = LongPath(path);
  std::vector<wchar_t> root(long_path.size() + 2);
  if (!GetVolumePathNameW(long_path.c_str(), root.data(), static_cast<DWORD>(root.size()))) {
    return LastError("find the volume of", path);
  }
  return std::wstring(root.data());
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
  std::atomic<bool>* flag = stop_flag;
  if (flag == nullptr) return FALSE;
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
    // The second one ends the process as usual.
    return !flag->exchange(true) ? TRUE : FALSE;
  }
  // Close, logoff, shutdown: the process ends when this handler returns, so
  // it waits (Windows allows about five seconds) while the worker stops and
  // deletes its temporary files; main's return ends the process meanwhile.
  flag->store(true);
  for (int i = 0; i < 90; ++i) Sleep(50);
  return TRUE;
}

HANDLE StreamHandle(int stream) {
  switch (stream) {
    case 0:
      return GetStdHandle(STD_INPUT_HANDLE);
    case 1:
      return GetStdHandle(STD_OUTPUT_HANDLE);
    case 2:
      return GetStdHandle(STD_ERROR_HANDLE);
    default:
      return INVALID_HANDLE_VALUE;
  }
}

std::string LocaleText(LCTYPE type) {
  wchar_t buffer[32] = {};
  const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 32);
  return n > 1 ? ToUtf8(std::wstring_view(buffer, static_cast<size_t>(n - 1))) : std::string();
}

}  // namespace

Result<std::string> VolumeRootOf(const std::string& path) {
  Result<std::wstring> root = WideRootOf(path);
  if (!root.ok()) return root.status();
  return LogicPath(*root);
}

Result<std::string> FinalPathOf(HANDLE handle, const std::string& path, bool by_volume) {
  const DWORD guid = VOLUME_NAME_GUID;
  const DWORD dos = VOLUME_NAME_DOS;
  for (const DWORD kind : by_volume ? std::vector<DWORD>{guid, dos} : std::vector<DWORD>{dos}) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    DWORD n =
        GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), kind);
    if (n >= buffer.size()) {
      buffer.resize(n + 1);
      n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), kind);
    }
    if (n == 0 || n >= buffer.size()) continue;
    const std::wstring_view found(buffer.data(), n);
    // \\?\Volume{...}\ stays as it is: the logic form has no spelling for it.
    return kind == guid ? ToUtf8(found) : LogicPath(found);
  }
  return LastError("find the volume of", path);
}

Result<VolumeSpace> VolumeSpaceOf(const std::string& path) {
  Result<std::wstring> root = WideRootOf(path);
  if (!root.ok()) return root.status();
  ULARGE_INTEGER available{}, total{}, free{};
  // A folder is asked itself first: a folder-mounted volume answers for its
  // own space then (and wine answers for the Linux mount that holds it).
  std::wstring folder = LongPath(path);
  if (folder.back() != L'\\') folder += L'\\';
  if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free) &&
      !GetDiskFreeSpaceExW(root->c_str(), &available, &total, &free)) {
    return LastError("measure volume of", path);
  }
  DWORD sectors = 0, bytes = 0, free_clusters = 0, clusters = 0;
  VolumeSpace space;
  space.block_size = GetDiskFreeSpaceW(root->c_str(), &sectors, &bytes, &free_clusters, &clusters)
                         ? uint64_t{sectors} * bytes
                         : 4096;
  space.total_bytes = total.QuadPart;
  space.available_bytes = available.QuadPart;  // after quotas
  space.free_bytes = free.QuadPart;
  return space;
}

Result<MountInfo> VolumeInfoOf(const std::string& path) {
  Result<std::wstring> root = WideRootOf(path);
  if (!root.ok()) return root.status();
  wchar_t fs_name[MAX_PATH + 1] = {};
  DWORD serial = 0, max_component = 0, fs_flags = 0;
  if (!GetVolumeInformationW(root->c_str(), nullptr, 0, &serial, &max_component, &fs_flags, fs_name,
                             MAX_PATH + 1)) {
    return LastError("examine the volume of", path);
  }
  MountInfo info;
  info.mount_point = LogicPath(*root);
  std::wstring type = fs_name;
  for (wchar_t& c : type) c = static_cast<wchar_t>(std::towlower(c));
  info.fs_type = ToUtf8(type);
  info.device = serial;
  std::string options;
  const auto add = [&options](const char* option) {
    if (!options.empty()) options += ',';
    options += option;
  };
  const DWORD attributes = GetFileAttributesW(LongPath(path).c_str());
  if ((fs_flags & FILE_VOLUME_IS_COMPRESSED) != 0 ||
      (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_COMPRESSED) != 0)) {
    add("compress");
  }
  const UINT drive = GetDriveTypeW(root->c_str());
  if (drive == DRIVE_REMOTE || root->rfind(L"\\\\?\\UNC\\", 0) == 0 ||
      (root->size() > 2 && (*root)[0] == L'\\' && (*root)[1] == L'\\' && (*root)[2] != L'?')) {
    add("network");
  }
  if (drive == DRIVE_REMOVABLE) add("removable");
  if (type == L"ntfs" || type == L"refs") add("shadow-copies");
  info.options = options;
  info.source = info.mount_point;
  return info;
}

namespace {

// Flushes the volume device (\\.\C: or \\?\Volume{guid}, no trailing
// backslash). Opening it needs administrator rights; without them the files'
// own flushes stand, which is not a fault to report after every folder.
Status FlushDevice(const std::wstring& volume, const std::string& path) {
  HANDLE handle = CreateFileW(volume.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_ACCESS_DENIED) return Status::Ok();
    return LastError("open the volume of", path);
  }
  const BOOL flushed = FlushFileBuffers(handle);
  const DWORD error = GetLastError();
  CloseHandle(handle);
  if (!flushed) return FromWin32(error, "sync file system of", path);
  return Status::Ok();
}

}  // namespace

Status FlushVolume(const std::string& path) {
  Result<std::wstring> root = WideRootOf(path);
  if (!root.ok()) return root.status();
  std::wstring volume = *root;
  if (volume.size() >= 3 && volume[1] == L':') volume = L"\\\\.\\" + volume.substr(0, 2);
  return FlushDevice(volume, path);
}

Status FlushVolumeOf(HANDLE handle, const std::string& path) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(),
                                              static_cast<DWORD>(buffer.size()), VOLUME_NAME_GUID);
    // Some file systems (and wine) name no volume: the path's drive serves.
    if (n == 0) return FlushVolume(path);
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  // \\?\Volume{guid}\dir\...: the volume is everything before the third part.
  // Where that device cannot be opened (wine names volumes it does not
  // serve), the path's drive serves as well: a flush reaches no data.
  const std::wstring full(buffer.begin(), buffer.end());
  const Status flushed = FlushDevice(full.substr(0, full.find(L'\\', 4)), path);
  return flushed.ok() ? flushed : FlushVolume(path);
}

bool IsConsole(int stream) {
  DWORD mode = 0;
  const HANDLE handle = StreamHandle(stream);
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode);
}

int ConsoleColumns(int stream) {
  CONSOLE_SCREEN_BUFFER_INFO info;
  const HANDLE handle = StreamHandle(stream);
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(handle, &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

void StopOnConsoleEvents(std::atomic<bool>* flag) {
  stop_flag = flag;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

std::string UserLanguageName() {
  wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
  const LCID lcid = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  const int n = LCIDToLocaleName(lcid, name, LOCALE_NAME_MAX_LENGTH, 0);
  if (n <= 1) return "";
  std::string out = ToUtf8(std::wstring_view(name, static_cast<size_t>(n - 1)));
  for (char& c : out) {
    if (c == '-') c = '_';
  }
  return out;
}

NumberFormat UserNumberFormat() {
  NumberFormat format;
  const std::string decimal = LocaleText(LOCALE_SDECIMAL);
  if (!decimal.empty()) format.decimal_point = decimal;
  format.thousands_separator = LocaleText(LOCALE_STHOUSAND);
  // "3;0" and "3;2;0" both start with the size of the first group.
  const std::string grouping = LocaleText(LOCALE_SGROUPING);
  int group = 0;
  for (char c : grouping) {
    if (c < '0' || c > '9') break;
    group = group * 10 + (c - '0');
  }
  format.grouping = group;
  format.leading_zero = LocaleText(LOCALE_ILZERO) != "0";
  return format;
}

}  // namespace tarnwell::platform::win32
