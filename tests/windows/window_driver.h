// Drives tarnwell.exe from another process, as a user or the shell would:
// starts it, finds its window, reads its controls (list views and the
// status bar through memory in the window's process), posts commands and
// drops. For the smoke test and the screenshots under wine.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tarnwell::testing {

class WindowDriver final {
 public:
  WindowDriver() = default;
  ~WindowDriver();
  WindowDriver(const WindowDriver&) = delete;
  WindowDriver& operator=(const WindowDriver&) = delete;

  // Starts program with each argument quoted; false when it cannot start.
  bool Start(const std::wstring& program, const std::vector<std::wstring>& arguments);
  // Waits (up to timeout_ms) for the program's visible dialog window.
  bool WaitForWindow(int timeout_ms);
  HWND window() const { return window_; }
  HWND Control(int id) const { return GetDlgItem(window_, id); }

  int ListRowCount(int list_id) const;
  std::wstring ListCell(int list_id, int row, int column) const;
  std::wstring StatusText(int status_id) const;
  std::wstring ControlText(int id) const;

  // Posts WM_DROPFILES with paths, the drop data written into the window's
  // process as the shell would hand it over.
  bool PostDrop(const std::vector<std::wstring>& paths) const;
  void PostCommand(int id) const;
  // Selects row alone in the list view list_id, as a click would.
  bool SelectRow(int list_id, int row) const;
  // Posts a key's press and release to window, as the keyboard would.
  void PostKey(HWND window, WPARAM key) const;
  // A visible message box the window owns, or null.
  HWND FindBox() const;

  // Waits up to timeout_ms for the program to end; its exit code, or -1
  // when it did not end.
  int WaitForExit(int timeout_ms);

 private:
  // Memory in the window's process, freed with the driver.
  void* Remote(size_t bytes) const;

  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
  mutable std::vector<void*> remote_;
};

// Points the program at settings_file. The logic reads the path with '/'
// separators (a '\\' path would put its lock file in the current folder).
inline void UseSettingsFile(std::wstring settings_file) {
  for (wchar_t& c : settings_file) {
    if (c == L'\\') c = L'/';
  }
  SetEnvironmentVariableW(L"TARNWELL_SETTINGS", settings_file.c_str());
}

// Polls condition every 50 ms until it holds or timeout_ms passed.
template <typename Condition>
bool WaitUntil(int timeout_ms, Condition condition) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeout_ms);
  while (!condition()) {
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
  return true;
}

}  // namespace tarnwell::testing
