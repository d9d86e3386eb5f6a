#include "win/dpi_calls.h"

namespace tarnwell::win {
namespace {

using DpiForWindowCall = UINT(WINAPI*)(HWND);
using MetricForDpiCall = int(WINAPI*)(int, UINT);
using AdjustForDpiCall = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

// Looked up once; user32 stays loaded for the life of any window program.
template <typename Call>
Call User32Call(const char* name) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  FARPROC found = user32 == nullptr ? nullptr : GetProcAddress(user32, name);
  // Through void*: a direct cast between function types draws a warning.
  return reinterpret_cast<Call>(reinterpret_cast<void*>(found));
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen == nullptr ? 0 : GetDeviceCaps(screen, LOGPIXELSX);
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

UINT DpiForWindow(HWND window) {
  static const auto call = User32Call<DpiForWindowCall>("GetDpiForWindow");
  return call != nullptr ? call(window) : SystemDpi();
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto call = User32Call<MetricForDpiCall>("GetSystemMetricsForDpi");
  if (call != nullptr) return call(index, dpi);
  return MulDiv(GetSystemMetrics(index), static_cast<int>(dpi), static_cast<int>(SystemDpi()));
}

BOOL AdjustRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD ex_style, UINT dpi) {
  static const auto call = User32Call<AdjustForDpiCall>("AdjustWindowRectExForDpi");
  if (call != nullptr) return call(rect, style, menu, ex_style, dpi);
  return AdjustWindowRectEx(rect, style, menu, ex_style);
}

}  // namespace tarnwell::win
