// <windows.h> for this folder, without the macros that would rename the
// contract's calls (RemoveDirectory becomes RemoveDirectoryW otherwise).
#pragma once

#include <windows.h>

#undef RemoveDirectory
