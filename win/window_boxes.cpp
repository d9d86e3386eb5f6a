// The window's popups and boxes: menus through TrackPopupMenuEx, message
// boxes, the folder chooser, the browser. They only show and answer; what
// the answer does is the window logic's.
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win_text.h"
#include "win/main_window.h"
#include "win/resource_ids.h"

namespace tarnwell::win {
namespace {
using platform::win32::ToWide;

// Message boxes end lines with CR LF.
std::wstring BoxText(std::string_view text) {
  std::wstring wide;
  for (wchar_t c : ToWide(text)) {
    if (c == L'\n' && (wide.empty() || wide.back() != L'\r')) wide += L'\r';
    wide += c;
  }
  return wide;
}

// A logic path as the shell takes it: backslashes, no \\?\ prefix.
std::wstring ShellPath(std::string_view path) {
  std::wstring wide = ToWide(path);
  for (wchar_t& c : wide) {
    if (c == L'/') c = L'\\';
  }
  return wide;
}

// A Yes/No box has no Cancel, so Escape would do nothing in it: while the
// stop question is open, Escape presses Yes.
LRESULT CALLBACK EscapeMeansYes(int code, WPARAM wparam, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
    PostMessageW(GetAncestor(msg->hwnd, GA_ROOT), WM_COMMAND, IDYES, 0);
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

// The system's chooser for file system entries with options added, opened
// in the folder start when there is one; null where the system has none.
IFileOpenDialog* OpenDialog(FILEOPENDIALOGOPTIONS added, std::string_view start) {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    return nullptr;
  }
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | added | FOS_FORCEFILESYSTEM);
  IShellItem* folder = nullptr;
  if (!start.empty() &&
      SUCCEEDED(SHCreateItemFromParsingName(ShellPath(start).c_str(), nullptr, IID_IShellItem,
                                            reinterpret_cast<void**>(&folder)))) {
    dialog->SetFolder(folder);
    folder->Release();
  }
  return dialog;
}

// The file system path of item in the logic's form, if it has one.
std::optional<std::string> PathOf(IShellItem* item) {
  PWSTR path = nullptr;
  if (FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
  std::string chosen = platform::win32::LogicPath(path);
  CoTaskMemFree(path);
  return chosen;
}
}  // namespace

int MainWindow::RunMenu(ui::Control below, const std::vector<ui::MenuEntry>& entries) {
  if (posted_language_entry_ && below == ui::Control::kLanguage) {
    // A language entry posted as a command is chosen as the menu would.
    const int command = *posted_language_entry_;
    posted_language_entry_.reset();
    for (const ui::MenuEntry& entry : entries) {
      if (!entry.separator && entry.enabled && entry.command == command) return command;
    }
    return -1;
  }
  HMENU menu = CreatePopupMenu();
  for (const ui::MenuEntry& entry : entries) {
    if (entry.separator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const std::wstring label = LiteralLabel(entry.text);
    MENUITEMINFOW item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
    item.fType = MFT_STRING | (entry.mark == ui::MenuEntry::Mark::kRadio ? MFT_RADIOCHECK : 0);
    item.fState = (entry.checked ? MFS_CHECKED : 0) | (entry.enabled ? 0 : MFS_GRAYED);
    item.wID = static_cast<UINT>(entry.command);
    item.dwTypeData = const_cast<wchar_t*>(label.c_str());
    InsertMenuItemW(menu, GetMenuItemCount(menu), TRUE, &item);
  }
  const int id = ControlId(below);
  ToolStrip* strip = StripOf(id);
  POINT at{};
  if (strip != nullptr) {
    at = strip->BelowButton(id);
    strip->PressButton(id, true);
  } else if (below == ui::Control::kItemList) {
    at = item_menu_at_;
  } else {
    GetCursorPos(&at);
  }
  const auto chosen = static_cast<int>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, at.x,
                       at.y, window_, nullptr));
  if (strip != nullptr) strip->PressButton(id, false);
  DestroyMenu(menu);
  return chosen == 0 ? -1 : chosen;
}

bool MainWindow::AskToStop(std::string_view caption, std::string_view text) {
  HHOOK escape = SetWindowsHookExW(WH_MSGFILTER, &EscapeMeansYes, nullptr, GetCurrentThreadId());
  const int answer = MessageBoxW(window_, BoxText(text).c_str(), ToWide(caption).c_str(),
                                 MB_YESNO | MB_ICONWARNING);
  if (escape != nullptr) UnhookWindowsHookEx(escape);
  // Only No goes on; a box closed any other way means stop.
  return answer != IDNO;
}

void MainWindow::ShowText(std::string_view caption, std::string_view text) {
  MessageBoxW(window_, BoxText(text).c_str(), ToWide(caption).c_str(), MB_OK);
}

std::optional<std::string> MainWindow::ChooseFolder(std::string_view start) {
  IFileOpenDialog* dialog = OpenDialog(FOS_PICKFOLDERS | FOS_PATHMUSTEXIST, start);
  if (dialog == nullptr) return std::nullopt;
  std::optional<std::string> chosen;
  IShellItem* item = nullptr;
  if (SUCCEEDED(dialog->Show(window_)) && SUCCEEDED(dialog->GetResult(&item))) {
    chosen = PathOf(item);
    item->Release();
  }
  dialog->Release();
  return chosen;
}

std::vector<std::string> MainWindow::ChooseFiles(std::string_view start) {
  std::vector<std::string> chosen;
  IFileOpenDialog* dialog = OpenDialog(FOS_ALLOWMULTISELECT | FOS_FILEMUSTEXIST, start);
  if (dialog == nullptr) return chosen;
  IShellItemArray* items = nullptr;
  if (SUCCEEDED(dialog->Show(window_)) && SUCCEEDED(dialog->GetResults(&items))) {
    DWORD count = 0;
    items->GetCount(&count);
    for (DWORD i = 0; i < count; ++i) {
      IShellItem* item = nullptr;
      if (FAILED(items->GetItemAt(i, &item))) continue;
      if (std::optional<std::string> path = PathOf(item)) chosen.push_back(*path);
      item->Release();
    }
    items->Release();
  }
  dialog->Release();
  return chosen;
}

void MainWindow::OpenUrl(std::string_view url) {
  ShellExecuteW(window_, L"open", ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void MainWindow::OpenFolder(std::string_view folder) {
  ShellExecuteW(window_, L"open", ShellPath(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tarnwell::win
