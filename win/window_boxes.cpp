// The window's popups and boxes: menus through TrackPopupMenuEx, message
// boxes, the folder chooser, the browser. They only show and answer; what
// the answer does is the window logic's.
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

bool MainWindow::AskYesNo(std::string_view caption, std::string_view text) {
  return MessageBoxW(window_, BoxText(text).c_str(), ToWide(caption).c_str(),
                     MB_YESNO | MB_ICONWARNING) == IDYES;
}

void MainWindow::ShowText(std::string_view caption, std::string_view text) {
  MessageBoxW(window_, BoxText(text).c_str(), ToWide(caption).c_str(), MB_OK);
}

std::optional<std::string> MainWindow::ChooseFolder() {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    return std::nullopt;
  }
  std::optional<std::string> chosen;
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  IShellItem* item = nullptr;
  if (SUCCEEDED(dialog->Show(window_)) && SUCCEEDED(dialog->GetResult(&item))) {
    PWSTR path = nullptr;
    if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
      chosen = platform::win32::LogicPath(path);
      CoTaskMemFree(path);
    }
    item->Release();
  }
  dialog->Release();
  return chosen;
}

void MainWindow::OpenUrl(std::string_view url) {
  ShellExecuteW(window_, L"open", ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace tarnwell::win
