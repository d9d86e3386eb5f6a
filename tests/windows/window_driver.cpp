// Cross-process reads need the control to write into memory of its own
// process: a block is allocated there, the message points at it, and the
// answer is read back.
#include "tests/windows/window_driver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstring>

namespace tarnwell::testing {
namespace {
constexpr size_t kTextChars = 4096;

struct FindArgs {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM lparam) {
  auto* args = reinterpret_cast<FindArgs*>(lparam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  if (owner == args->process && IsWindowVisible(window) && std::wcscmp(name, L"#32770") == 0) {
    args->found = window;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

WindowDriver::~WindowDriver() {
  for (void* block : remote_) VirtualFreeEx(process_.hProcess, block, 0, MEM_RELEASE);
  if (process_.hProcess != nullptr) {
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
}

bool WindowDriver::Start(const std::wstring& program, const std::vector<std::wstring>& arguments) {
  std::wstring command = L"\"" + program + L"\"";
  for (const std::wstring& argument : arguments) command += L" \"" + argument + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  return CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process_) != FALSE;
}

bool WindowDriver::WaitForWindow(int timeout_ms) {
  return WaitUntil(timeout_ms, [this] {
    FindArgs args{process_.dwProcessId, nullptr};
    EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&args));
    window_ = args.found;
    return window_ != nullptr;
  });
}

void* WindowDriver::Remote(size_t bytes) const {
  void* block =
      VirtualAllocEx(process_.hProcess, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (block != nullptr) remote_.push_back(block);
  return block;
}

int WindowDriver::ListRowCount(int list_id) const {
  return static_cast<int>(SendMessageW(Control(list_id), LVM_GETITEMCOUNT, 0, 0));
}

std::wstring WindowDriver::ListCell(int list_id, int row, int column) const {
  auto* block = static_cast<char*>(Remote(sizeof(LVITEMW) + kTextChars * sizeof(wchar_t)));
  if (block == nullptr) return {};
  LVITEMW item{};
  item.iSubItem = column;
  item.cchTextMax = static_cast<int>(kTextChars);
  item.pszText = reinterpret_cast<wchar_t*>(block + sizeof(LVITEMW));
  WriteProcessMemory(process_.hProcess, block, &item, sizeof(item), nullptr);
  const auto length =
      static_cast<size_t>(SendMessageW(Control(list_id), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                                       reinterpret_cast<LPARAM>(block)));
  std::wstring text(std::min(length, kTextChars), L'\0');
  ReadProcessMemory(process_.hProcess, block + sizeof(LVITEMW), text.data(),
                    text.size() * sizeof(wchar_t), nullptr);
  return text;
}

std::wstring WindowDriver::StatusText(int status_id) const {
  auto* block = static_cast<wchar_t*>(Remote(kTextChars * sizeof(wchar_t)));
  if (block == nullptr) return {};
  const LRESULT answer =
      SendMessageW(Control(status_id), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(block));
  std::wstring text(std::min<size_t>(LOWORD(answer), kTextChars - 1), L'\0');
  ReadProcessMemory(process_.hProcess, block, text.data(), text.size() * sizeof(wchar_t), nullptr);
  return text;
}

std::wstring WindowDriver::ControlText(int id) const {
  // WM_GETTEXT is carried across processes by the system itself.
  std::wstring text(kTextChars, L'\0');
  text.resize(static_cast<size_t>(
      SendMessageW(Control(id), WM_GETTEXT, kTextChars, reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

bool WindowDriver::PostDrop(const std::vector<std::wstring>& paths) const {
  std::vector<char> drop(sizeof(DROPFILES));
  auto* header = reinterpret_cast<DROPFILES*>(drop.data());
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  for (const std::wstring& path : paths) {
    const auto* bytes = reinterpret_cast<const char*>(path.c_str());
    drop.insert(drop.end(), bytes, bytes + (path.size() + 1) * sizeof(wchar_t));
  }
  drop.insert(drop.end(), sizeof(wchar_t), '\0');
  // Not freed here: the window's DragFinish releases the drop.
  void* block = VirtualAllocEx(process_.hProcess, nullptr, drop.size(), MEM_COMMIT | MEM_RESERVE,
                               PAGE_READWRITE);
  return block != nullptr &&
         WriteProcessMemory(process_.hProcess, block, drop.data(), drop.size(), nullptr) &&
         PostMessageW(window_, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

void WindowDriver::PostCommand(int id) const {
  PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool WindowDriver::SelectRow(int list_id, int row) const {
  void* block = Remote(sizeof(LVITEMW));
  if (block == nullptr) return false;
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = 0;
  WriteProcessMemory(process_.hProcess, block, &state, sizeof(state), nullptr);
  SendMessageW(Control(list_id), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
               reinterpret_cast<LPARAM>(block));
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  WriteProcessMemory(process_.hProcess, block, &state, sizeof(state), nullptr);
  return SendMessageW(Control(list_id), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                      reinterpret_cast<LPARAM>(block)) != FALSE;
}

void WindowDriver::PostKey(HWND window, WPARAM key) const {
  PostMessageW(window, WM_KEYDOWN, key, 1);
  PostMessageW(window, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

HWND WindowDriver::FindBox() const {
  struct Args {
    DWORD process;
    HWND owner;
    HWND found;
  } args{process_.dwProcessId, window_, nullptr};
  EnumWindows(
      [](HWND window, LPARAM lparam) -> BOOL {
        auto* a = reinterpret_cast<Args*>(lparam);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (process == a->process && window != a->owner && IsWindowVisible(window) &&
            GetWindow(window, GW_OWNER) == a->owner && std::wcscmp(name, L"#32770") == 0) {
          a->found = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&args));
  return args.found;
}

int WindowDriver::WaitForExit(int timeout_ms) {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) {
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

}  // namespace tarnwell::testing
