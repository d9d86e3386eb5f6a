// Byte counts as the short texts shown everywhere: one decimal and a unit
// (" byte", " KB", " MB", " GB"; units of 1024, chosen at 1000, 1000000 and
// 1000000000 bytes), in the user's number format.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"

namespace tarnwell::items {

// E.g. 1536 -> "1.5 KB", 5000000000000 -> "4,657.0 GB" with a point and comma
// format. Independent of the process locale.
std::string FormatSize(uint64_t bytes, const platform::NumberFormat& format);

// The same with the process-wide format (point, no grouping until set).
std::string FormatSize(uint64_t bytes);

// Sets the process-wide format; call once at start-up before other threads.
void SetNumberFormat(const platform::NumberFormat& format);

}  // namespace tarnwell::items
