// A folder of this user's alone: made with a protected access list, and
// checked for its owner and its access list before each use.
#include "platform/win32/windows_api.h"
// after windows.h, which they need
#include <aclapi.h>
#include <sddl.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/win32/win_folder.h"
#include "platform/win32/win_status.h"
#include "platform/win32/win_text.h"

namespace tarnwell::platform::win32 {
namespace {

// As the folder handles hold them (win_folder.cpp), and the right to read
// the access list.
constexpr DWORD kAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES |
                          FILE_WRITE_ATTRIBUTES | READ_CONTROL;

struct LocalFreer {
  void operator()(void* memory) const { LocalFree(memory); }
};

// The process's user, as a SID copied out of its token.
Result<std::vector<unsigned char>> CurrentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return LastError("read the token of", "this process");
  }
  UniqueHandle held(token);
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<unsigned char> buffer(size);
  if (size == 0 || !GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
    return LastError("read the user of", "this process");
  }
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  const auto* bytes = static_cast<const unsigned char*>(sid);
  return std::vector<unsigned char>(bytes, bytes + GetLengthSid(sid));
}

bool IsTrusted(PSID sid, PSID user) {
  return EqualSid(sid, user) || IsWellKnownSid(sid, WinLocalSystemSid) ||
         IsWellKnownSid(sid, WinBuiltinAdministratorsSid);
}

// EPERM for a folder owned by anyone but this user or the administrators,
// EACCES for one whose access list lets anyone else in.
Status CheckOwnerAndAccess(HANDLE handle, PSID user, const std::string& path) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  const DWORD error = GetSecurityInfo(handle, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &dacl, nullptr, &descriptor);
  if (error != ERROR_SUCCESS) return FromWin32(error, "read the access list of", path);
  const std::unique_ptr<void, LocalFreer> freed(descriptor);
  if (owner == nullptr ||
      (!EqualSid(owner, user) && !IsWellKnownSid(owner, WinBuiltinAdministratorsSid))) {
    return Status::Error(EPERM, "'" + path + "' belongs to another user");
  }
  if (dacl == nullptr) return Status::Error(EACCES, "'" + path + "' is open to everyone");
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(ace);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
      continue;
    }
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (allowed->Mask != 0 && !IsTrusted(sid, user)) {
      return Status::Error(EACCES, "'" + path + "' is open to other users");
    }
  }
  return Status::Ok();
}

}  // namespace

Result<std::unique_ptr<Folder>> OpenPrivateFolderAt(const std::string& path) {
  Result<std::vector<unsigned char>> user = CurrentUser();
  if (!user.ok()) return user.status();
  PSID user_sid = user->data();
  wchar_t* user_text = nullptr;
  if (!ConvertSidToStringSidW(user_sid, &user_text)) return LastError("name the user for", path);
  const std::unique_ptr<void, LocalFreer> text_freed(user_text);
  // Protected: nothing is inherited from the folder above.
  const std::wstring sddl =
      L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + std::wstring(user_text) + L")";
  PSECURITY_DESCRIPTOR made = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &made,
                                                            nullptr)) {
    return LastError("make the access list for", path);
  }
  const std::unique_ptr<void, LocalFreer> made_freed(made);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, made, FALSE};
  if (!CreateDirectoryW(LongPath(path).c_str(), &attributes) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return LastError("create folder", path);
  }
  UniqueHandle handle(
      CreateFileW(LongPath(path).c_str(), kAccess, kShareAll, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return LastError("open folder", path);
  Result<FileInfo> info = DescribeHandle(handle.get(), path);
  if (!info.ok()) return info.status();
  if (info->kind == FileKind::kSymlink) return Status::Error(ELOOP, "'" + path + "' is a link");
  if (info->kind != FileKind::kDirectory) {
    return Status::Error(ENOTDIR, "open folder '" + path + "': not a folder");
  }
  if (Status checked = CheckOwnerAndAccess(handle.get(), user_sid, path); !checked.ok()) {
    return checked;
  }
  return MakeFolder(std::move(handle), path, nullptr);
}

}  // namespace tarnwell::platform::win32
