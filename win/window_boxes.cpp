// The window's popups and boxes: option menus through TrackPopupMenuEx, the
// Yes/No box, the folder chooser. They only show and answer; what the
// answer does is decided by the commands.

#include "platform/win32/win_text.h"
#include "win/main_window.h"
#include "win/windows_ui.h"

namespace tarnwell::win {

int MainWindow::RunButtonMenu(int button_id, const std::vector<MenuEntry>& entries) {
  HMENU menu = CreatePopupMenu();
  for (const MenuEntry& entry : entries) {
    if (entry.text.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING;
    if (entry.checked) flags |= MF_CHECKED;
    if (!entry.enabled) flags |= MF_GRAYED;
    AppendMenuW(menu, flags, static_cast<UINT_PTR>(entry.command),
                LiteralLabel(entry.text).c_str());
  }
  ToolStrip* strip = nullptr;
  for (ToolStrip* candidate :
       {action_strip_.get(), fill_strip_.get(), app_strip_.get(), link_strip_.get()}) {
    if (candidate->Button(button_id) != nullptr) strip = candidate;
  }
  POINT below{};
  if (strip != nullptr) {
    below = strip->BelowButton(button_id);
    strip->PressButton(button_id, true);
  } else {
    GetCursorPos(&below);
  }
  const int chosen = static_cast<int>(
      TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_TOPALIGN, below.x,
                       below.y, window_, nullptr));
  if (strip != nullptr) strip->PressButton(button_id, false);
  DestroyMenu(menu);
  return chosen;
}

bool MainWindow::AskYesNo(std::string_view caption, std::string_view text) {
  return MessageBoxW(window_, platform::win32::ToWide(text).c_str(),
                     platform::win32::ToWide(caption).c_str(),
                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

std::string MainWindow::ChooseFolder() {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IFileOpenDialog, reinterpret_cast<void**>(&dialog)))) {
    return {};
  }
  std::string chosen;
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

}  // namespace tarnwell::win
