// Pictures of tarnwell.exe for the docs: starts it in the given language,
// erases the paths after --erase (so the messages show a real job), drops
// the paths after --list, copies the window as the screen shows it (frame
// and title included) into a PNG and closes it. Run inside wine's virtual
// desktop, whose screen holds the frame wine draws.
// Arguments: TARNWELL.EXE OUT.PNG LANGUAGE-INDEX [--erase PATH...] [--list PATH...]
// clang-format off
#include <windows.h>
#include <gdiplus.h>
// clang-format on

#include <cstdio>
#include <string>
#include <vector>

#include "tests/windows/window_driver.h"
#include "win/resource_ids.h"

namespace {
using tarnwell::testing::WaitUntil;
using tarnwell::testing::WindowDriver;
constexpr int kWaitMs = 30000;
// PNG encoder of GDI+.
constexpr CLSID kPngEncoder = {
    0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};

bool SavePng(HWND window, const std::wstring& path) {
  RECT frame{};
  GetWindowRect(window, &frame);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  HDC screen = GetDC(nullptr);
  HDC copy = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(copy, bitmap);
  BitBlt(copy, 0, 0, width, height, screen, frame.left, frame.top, SRCCOPY);
  SelectObject(copy, old);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  bool saved = false;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok) {
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromHBITMAP(bitmap, nullptr, &image) == Gdiplus::Ok) {
      saved = Gdiplus::DllExports::GdipSaveImageToFile(image, path.c_str(), &kPngEncoder,
                                                       nullptr) == Gdiplus::Ok;
      Gdiplus::DllExports::GdipDisposeImage(image);
    }
    Gdiplus::GdiplusShutdown(token);
  }
  DeleteObject(bitmap);
  DeleteDC(copy);
  ReleaseDC(nullptr, screen);
  return saved;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: window_shot TARNWELL.EXE OUT.PNG LANGUAGE PATH...\n");
    return 2;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring settings = std::wstring(temp) + L"tarnwell-shot.ini";
  const std::string content = "[Program]\r\nlng=" + std::to_string(_wtoi(argv[3])) +
                              "\r\n[Orlenvik]\r\nre_write=3\r\ndel_delay=0\r\n";
  HANDLE file = CreateFileW(settings.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
  tarnwell::testing::UseSettingsFile(settings);

  std::vector<std::wstring> erase, list;
  std::vector<std::wstring>* into = &list;
  for (int i = 4; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--erase" || argument == L"--list") {
      into = argument == L"--erase" ? &erase : &list;
    } else {
      into->push_back(argument);
    }
  }

  WindowDriver driver;
  if (!driver.Start(argv[1], erase) || !driver.WaitForWindow(kWaitMs)) {
    std::fprintf(stderr, "window_shot: tarnwell.exe did not show its window\n");
    return 1;
  }
  auto status_has = [&](const std::wstring& part) {
    return WaitUntil(kWaitMs, [&] {
      return driver.StatusText(IDC_STATUS_BAR).find(part) != std::wstring::npos;
    });
  };
  // The list is filled when the status line names the items.
  status_has(L" // ");
  if (!erase.empty()) {
    driver.PostCommand(IDC_DELETE);
    status_has(L"% // ");  // the job's last status line
  }
  if (!list.empty()) {
    const int rows = driver.ListRowCount(IDC_ITEMLIST);
    driver.PostDrop(list);
    WaitUntil(kWaitMs, [&] { return driver.ListRowCount(IDC_ITEMLIST) > rows; });
  }
  Sleep(1000);  // lets the window finish painting before the copy
  const bool saved = SavePng(driver.window(), argv[2]);
  driver.PostCommand(IDCANCEL);
  driver.WaitForExit(kWaitMs);
  DeleteFileW(settings.c_str());
  if (!saved) std::fprintf(stderr, "window_shot: the PNG was not written\n");
  return saved ? 0 : 1;
}
