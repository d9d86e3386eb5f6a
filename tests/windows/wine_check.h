// Tells the Windows suite whether it runs under wine, for the few checks
// that only Windows itself can pass (creation times read back, symbolic
// links, sparse files).
#pragma once

#include <windows.h>

namespace tarnwell::testing {

inline bool RunningUnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace tarnwell::testing
