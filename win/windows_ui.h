// <windows.h> with the shell, common-control and COM headers the window
// uses, in the order they need (they do not include <windows.h> themselves).
#pragma once

// clang-format off
#include "platform/win32/windows_api.h"
#include <commctrl.h>
#include <objbase.h>
#include <oleacc.h>
#include <shellapi.h>
#include <shobjidl.h>
#include <windowsx.h>
// clang-format on
