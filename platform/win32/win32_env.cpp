// The Windows implementation of Env: wide-character calls on \\?\ paths,
// WTF-8 at the seam. Where wine, on which the tests run, differs from
// Windows: it accepts unaligned unbuffered writes (checked here instead), it
// reads creation times back from what the Linux file system keeps (so a
// stamped creation time may not read back), it has no sparse files or hole
// punching on most Linux file systems, and it shows a Linux symbolic link as
// the entry it points to. Tests that depend on those run on Windows only.
#include "platform/win32/windows_api.h"
// after windows.h, which it needs
#include <shellapi.h>
// after windows.h too
#include <bcrypt.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/env.h"
#include "platform/win32/win_files.h"
#include "platform/win32/win_folder.h"
#include "platform/win32/win_status.h"
#include "platform/win32/win_system.h"
#include "platform/win32/win_text.h"

namespace tarnwell::platform {
namespace {

using win32::FromWin32;
using win32::LastError;
using win32::LongPath;
using win32::OpenEntry;
using win32::ToUtf8;
using win32::ToWide;
using win32::UniqueHandle;

// Seconds between 1601-01-01 (FILETIME's start) and 1970-01-01.
constexpr int64_t kEpochDifferenceSeconds = 11644473600;

Status WriteAll(HANDLE handle, std::string_view content, const std::string& path) {
  size_t done = 0;
  while (done < content.size()) {
    DWORD written = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1 << 20));
    if (!WriteFile(handle, content.data() + done, ask, &written, nullptr)) {
      return LastError("write", path);
    }
    done += written;
  }
  return Status::Ok();
}

class Win32Env final : public Env {
 public:
  Result<FileInfo> Describe(const std::string& path) override {
    // Reading attributes only is never refused for sharing reasons.
    Result<UniqueHandle> handle =
        OpenEntry(path, FILE_READ_ATTRIBUTES, win32::kShareAll, "examine");
    if (!handle.ok()) return handle.status();
    return win32::DescribeHandle(handle->get(), path);
  }

  Result<std::unique_ptr<Directory>> OpenDirectory(const std::string& path) override {
    return win32::OpenFolderListing(path);
  }

  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path,
                                             const FileInfo* expected) override {
    return win32::OpenFolderByPath(path, expected);
  }
  Result<std::unique_ptr<Folder>> OpenPrivateFolder(const std::string& path) override {
    if (path.empty()) return Status::Error(ENOENT, "no folder for private state");
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
      if (Status made = CreateDirectories(path.substr(0, slash)); !made.ok()) return made;
    }
    return win32::OpenPrivateFolderAt(path);
  }

  Result<std::string> ResolvePath(const std::string& path) override {
    UniqueHandle handle(CreateFileW(LongPath(path).c_str(), FILE_READ_ATTRIBUTES, win32::kShareAll,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) return LastError("resolve", path);
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n =
          GetFinalPathNameByHandleW(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                    FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      if (n == 0) return LastError("resolve", path);
      if (n < buffer.size()) return win32::LogicPath(std::wstring_view(buffer.data(), n));
      buffer.resize(n + 1);
    }
  }

  Result<std::unique_ptr<WritableFile>> OpenForOverwrite(const std::string& path,
                                                         const FileInfo* expected) override {
    return win32::OpenFileForOverwrite(path, expected);
  }

  Result<std::unique_ptr<WritableFile>> CreateExclusive(const std::string& path,
                                                        uint32_t) override {
    return win32::CreateNewFile(path);
  }

  Status SetTimes(const std::string& path, const FileTime& access,
                  const FileTime& modification) override {
    Result<UniqueHandle> handle =
        OpenEntry(path, FILE_WRITE_ATTRIBUTES, win32::kShareAll, "set times of");
    if (!handle.ok()) return handle.status();
    const FILETIME a = win32::ToFileTime(access);
    const FILETIME m = win32::ToFileTime(modification);
    if (!SetFileTime(handle->get(), &m, &a, &m)) return LastError("set times of", path);
    return Status::Ok();
  }

  Status RenameNoReplace(const std::string& from, const std::string& to) override {
    Result<UniqueHandle> handle = OpenEntry(from, DELETE | SYNCHRONIZE, win32::kShareAll, "rename");
    if (!handle.ok()) return handle.status();
    return win32::RenameHandle(handle->get(), nullptr, win32::NtPath(to), from);
  }

  Status RemoveFile(const std::string& path) override {
    Result<UniqueHandle> handle =
        OpenEntry(path, DELETE | FILE_READ_ATTRIBUTES, win32::kShareAll, "delete");
    if (!handle.ok()) return handle.status();
    Result<FileInfo> info = win32::DescribeHandle(handle->get(), path);
    if (!info.ok()) return info.status();
    if (info->kind == FileKind::kDirectory) {
      return Status::Error(EISDIR, "delete '" + path + "': is a folder");
    }
    // Removes the entry itself: a link goes, its target stays.
    return win32::DeleteHandle(handle->get(), path);
  }

  size_t MaxNameLength(const std::string& folder) override {
    Result<std::string> root = win32::VolumeRootOf(folder);
    DWORD longest = 0;
    if (root.ok() &&
        GetVolumeInformationW(LongPath(*root).c_str(), nullptr, 0, nullptr, &longest, nullptr,
                              nullptr, 0) &&
        longest > 0) {
      return longest;
    }
    return 255;
  }

  Result<std::string> ReadFile(const std::string& path) override {
    UniqueHandle handle(CreateFileW(LongPath(path).c_str(), GENERIC_READ, win32::kShareAll, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    if (!handle.valid()) return LastError("open", path);
    std::string content;
    std::vector<char> buffer(65536);
    for (;;) {
      DWORD n = 0;
      if (!::ReadFile(handle.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &n,
                      nullptr)) {
        return LastError("read", path);
      }
      if (n == 0) return content;
      content.append(buffer.data(), n);
    }
  }

  Status ReplaceFileAtomically(const std::string& path, std::string_view content,
                               Durability durability) override {
    std::string temp;
    UniqueHandle handle;
    for (int attempt = 0; attempt < 100 && !handle.valid(); ++attempt) {
      temp = path + ".tmp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(attempt);
      handle.reset(CreateFileW(LongPath(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!handle.valid() && GetLastError() != ERROR_FILE_EXISTS) return LastError("create", temp);
    }
    if (!handle.valid())
      return Status::Error(EEXIST, "no free temporary name beside '" + path + "'");
    Status status = WriteAll(handle.get(), content, temp);
    if (status.ok() && durability == Durability::kMachineCrash && !FlushFileBuffers(handle.get())) {
      status = LastError("sync", temp);
    }
    handle.reset();
    const std::wstring wide_path = LongPath(path);
    const std::wstring wide_temp = LongPath(temp);
    // ReplaceFileW keeps the old file's attributes (hidden) and rights; a
    // first write has nothing to replace.
    if (status.ok() &&
        !ReplaceFileW(wide_path.c_str(), wide_temp.c_str(), nullptr,
                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) &&
        !MoveFileExW(wide_temp.c_str(), wide_path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      status = LastError("replace", path);
    }
    if (!status.ok()) DeleteFileW(wide_temp.c_str());
    return status;
  }

  Status CreateFileIfMissing(const std::string& path) override {
    HANDLE handle = CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, win32::kShareAll, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) return Status::Ok();
      return LastError("create", path);
    }
    CloseHandle(handle);
    return Status::Ok();
  }

  Status CreateDirectories(const std::string& path) override {
    if (path.empty()) return Status::Ok();
    const std::wstring full = LongPath(path);
    // Past \\?\C:\ or \\?\UNC\server\share\, every separator ends a folder.
    size_t start = full.rfind(L"\\\\?\\UNC\\", 0) == 0 ? full.find(L'\\', full.find(L'\\', 8) + 1)
                                                       : full.find(L'\\', 4);
    while (start != std::wstring::npos) {
      const size_t next = full.find(L'\\', start + 1);
      const std::wstring part = full.substr(0, next);
      if (part.size() > start + 1 && !CreateDirectoryW(part.c_str(), nullptr)) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS) {
          return FromWin32(error, "create folder", win32::LogicPath(part));
        }
      }
      start = next;
    }
    return Status::Ok();
  }

  bool IsWritableDirectory(const std::string& path) override {
    // Rights on Windows come from access lists, not attributes: only a
    // try tells. The probe file goes when its handle closes.
    for (int attempt = 0; attempt < 10; ++attempt) {
      const std::string probe = path + "/tarnwell-probe-" + std::to_string(GetCurrentProcessId()) +
                                "-" + std::to_string(attempt);
      HANDLE handle = CreateFileW(LongPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return true;
      }
      if (GetLastError() != ERROR_FILE_EXISTS) return false;
    }
    return false;
  }

  Result<std::string> ReadRegularFile(const std::string& path, size_t max_bytes) override {
    return win32::ReadRegularFileAt(path, max_bytes);
  }

  Result<MountInfo> FindMount(const std::string& path) override {
    return win32::VolumeInfoOf(path);
  }
  Result<std::vector<MountInfo>> ListMounts() override {
    return Status::Error(ENOTSUP, "list mounts: Windows keeps no mount table");
  }

  Result<std::string> ExecutablePath() override {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
      const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
      if (n == 0) return LastError("find the program's path", "");
      if (n < buffer.size()) return win32::LogicPath(std::wstring_view(buffer.data(), n));
      buffer.resize(buffer.size() * 2);
    }
  }

  std::optional<std::string> GetEnvironment(const std::string& name) override {
    const std::wstring wide = ToWide(name);
    const DWORD needed = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
    if (needed == 0) return std::nullopt;
    std::vector<wchar_t> buffer(needed);
    const DWORD n = GetEnvironmentVariableW(wide.c_str(), buffer.data(), needed);
    if (n >= needed) return std::nullopt;
    return ToUtf8(std::wstring_view(buffer.data(), n));
  }

  std::string TempDirectory() override {
    wchar_t buffer[MAX_PATH + 2] = {};
    const DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
    std::string dir = n > 0 ? win32::LogicPath(std::wstring_view(buffer, n)) : "C:/Windows/Temp";
    while (dir.size() > 3 && dir.back() == '/') dir.pop_back();
    return dir;
  }

  std::string UserSettingsFolder() override { return TarnwellFolderIn("APPDATA"); }
  // A portable copy keeps its settings beside it; an installed one under
  // Program Files is not writable for a user, which IsWritableDirectory tells.
  bool IsSystemProgramFolder(const std::string&) override { return false; }
  std::string MachineStateFolder() override { return TarnwellFolderIn("ProgramData"); }
  std::string UserStateFolder() override {
    // Unlike settings, never the temporary folder: %TMP% may name a folder
    // other users write to.
    std::string local = UserPath(GetEnvironment("LOCALAPPDATA").value_or(""));
    if (!IsAbsolutePath(local)) return "";
    while (local.size() > 3 && local.back() == '/') local.pop_back();
    return local + "/Tarnwell";
  }

  std::string LanguageLocale() override { return win32::UserLanguageName(); }
  NumberFormat UserNumberFormat() override { return win32::UserNumberFormat(); }

  Result<int64_t> LocalTimeToEpoch(const CalendarTime& time) override {
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(time.year);
    local.wMonth = static_cast<WORD>(time.month);
    local.wDay = static_cast<WORD>(time.day);
    local.wHour = static_cast<WORD>(time.hour);
    local.wMinute = static_cast<WORD>(time.minute);
    local.wSecond = static_cast<WORD>(time.second);
    // The zone's rule for that date, daylight saving included, as mktime does.
    SYSTEMTIME utc;
    FILETIME file_time;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) ||
        !SystemTimeToFileTime(&utc, &file_time)) {
      return LastError("convert local time", "");
    }
    const int64_t ticks = static_cast<int64_t>(
        (static_cast<uint64_t>(file_time.dwHighDateTime) << 32) | file_time.dwLowDateTime);
    return ticks / 10'000'000 - kEpochDifferenceSeconds;
  }

  Status OpenWithDefaultProgram(const std::string& target) override {
    const std::wstring wide = ToWide(target);
    const auto result = reinterpret_cast<intptr_t>(
        ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (result <= 32) return FromWin32(static_cast<DWORD>(result), "open", target);
    return Status::Ok();
  }

  DesktopStores UserDesktopStores() override {
    DesktopStores stores;
    stores.home = UserPath(GetEnvironment("USERPROFILE").value_or(""));
    std::string roaming = UserPath(GetEnvironment("APPDATA").value_or(""));
    while (roaming.size() > 3 && roaming.back() == '/') roaming.pop_back();
    if (IsAbsolutePath(roaming)) stores.recent_links = roaming + "/Microsoft/Windows/Recent";
    return stores;
  }
  Result<DesktopStores> AccountDesktopStores(const std::string& account) override {
    return Status::Error(ENOTSUP, "the stores of '" + account + "': no account database here");
  }

  bool IsPrivileged() override {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
  }

  int64_t MonotonicMillis() override { return static_cast<int64_t>(GetTickCount64()); }
  void SleepMillis(int64_t milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
  int Random() override {
    uint32_t value = 0;
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof value,
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      std::abort();  // no random source: names would repeat from run to run
    }
    return static_cast<int>(value & 0x7FFFFFFF);
  }

  Result<std::vector<std::string>> ListNames(const std::string& folder) override {
    const std::wstring pattern = LongPath(folder) + L"\\*";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return LastError("read folder", folder);
    std::vector<std::string> names;
    do {
      const std::wstring_view name = data.cFileName;
      if (name != L"." && name != L"..") names.push_back(ToUtf8(name));
    } while (FindNextFileW(find, &data));
    const DWORD error = GetLastError();
    FindClose(find);
    if (error != ERROR_NO_MORE_FILES) return FromWin32(error, "read folder", folder);
    return names;
  }

  Result<uint64_t> MountId(const std::string& path) override {
    // Volumes are told apart by their serial number; a volume mounted in a
    // folder is a junction there, which no scan enters.
    return Status::Error(ENOTSUP, "mount id of '" + path + "': none on Windows");
  }

  void IgnoreFileSizeSignal() override {}  // Windows has no such signal

  std::string UserPath(const std::string& typed) override {
    return win32::LogicPath(win32::ToWide(typed));
  }
  bool IsAbsolutePath(const std::string& path) override { return win32::IsFullPath(path); }
  Result<std::string> AbsolutePath(const std::string& path) override {
    if (path.empty()) return Status::Error(ENOENT, "make absolute: empty path");
    return win32::LogicPath(LongPath(path));
  }

  Result<std::string> BlockDeviceName(uint64_t) override {
    return Status::Error(ENOTSUP, "block device names are a Linux notion");
  }
  Status WriteKernelSetting(const std::string& path, std::string_view) override {
    return Status::Error(ENOTSUP, "write kernel setting '" + path + "': none on Windows");
  }

  bool IsTerminal(int stream) override { return win32::IsConsole(stream); }
  int TerminalColumns(int stream) override { return win32::ConsoleColumns(stream); }
  void StopOnInterrupt(std::atomic<bool>* flag) override { win32::StopOnConsoleEvents(flag); }

 private:
  // The program's folder inside the folder a Windows variable names, or
  // inside the temporary folder when it names none.
  std::string TarnwellFolderIn(const std::string& variable) {
    std::string folder = GetEnvironment(variable).value_or("");
    for (char& c : folder) {
      if (c == '\\') c = '/';
    }
    return (folder.empty() ? TempDirectory() : folder) + "/Tarnwell";
  }
};

}  // namespace

Env& DefaultEnv() {
  static Win32Env env;
  return env;
}

}  // namespace tarnwell::platform
