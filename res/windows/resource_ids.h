// Resource ids that tarnwell_add_windows_resources gives every Windows program;
// a program's own resource script keeps clear of them. Included by C++ and by
// resource scripts, so plain macros.
#pragma once

// The program icon group (the first group, so Explorer shows it): 16, 24, 32,
// 48 and 256 px. LoadImageW(instance, MAKEINTRESOURCEW(TARNWELL_IDI_APP), ...).
#define TARNWELL_IDI_APP 1
