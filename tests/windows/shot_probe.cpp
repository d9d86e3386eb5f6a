// A small window for trying scripts/wine_screenshot.sh without the real one:
// the program icon in the title bar, a themed button (the manifest's common
// controls), the user interface language and the command line as text.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include "res/windows/resource_ids.h"

namespace {

LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

HWND AddControl(HWND parent, const wchar_t* kind, const std::wstring& text, DWORD style, RECT at,
                int id) {
  HWND control = CreateWindowExW(0, kind, text.c_str(), WS_CHILD | WS_VISIBLE | style, at.left,
                                 at.top, at.right - at.left, at.bottom - at.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               TRUE);
  return control;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int show) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = ProbeProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  window_class.lpszClassName = L"TarnwellShotProbe";
  window_class.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(TARNWELL_IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  window_class.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(TARNWELL_IDI_APP),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), 0));
  RegisterClassExW(&window_class);

  HWND window =
      CreateWindowExW(0, window_class.lpszClassName, L"Tarnwell probe", WS_OVERLAPPEDWINDOW, 40, 30,
                      420, 180, nullptr, nullptr, instance, nullptr);
  wchar_t language[16];
  wsprintfW(language, L"%04x", GetUserDefaultUILanguage());
  AddControl(window, L"STATIC",
             std::wstring(L"UI language ") + language + L"\nArguments: " + command_line, 0,
             {12, 12, 390, 70}, -1);
  AddControl(window, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, {300, 90, 390, 116}, IDOK);
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
