// The per-monitor DPI calls of Windows 10 (1607), loaded from user32 at run
// time so that the program also starts on Windows 7 to 8.1, whose user32 lacks
// them. There each falls back to the system-wide DPI the older calls use.
#pragma once

#include "win/windows_ui.h"

namespace tarnwell::win {

// The DPI the window is drawn at; the screen's logical DPI where the system
// has no per-window value.
UINT DpiForWindow(HWND window);

// GetSystemMetrics at dpi; the system-wide metric scaled to dpi before
// Windows 10.
int SystemMetricForDpi(int index, UINT dpi);

// AdjustWindowRectEx at dpi; the system-wide frame before Windows 10.
BOOL AdjustRectForDpi(RECT* rect, DWORD style, BOOL menu, DWORD ex_style, UINT dpi);

}  // namespace tarnwell::win
