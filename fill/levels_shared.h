// What the levels of a fill (fill_levels.cpp, sweep.cpp) share.
#pragma once

#include <cerrno>
#include <cstddef>

#include "fill/fill_levels.h"

namespace tarnwell::fill {

// Zero bytes for every write of a fill, aligned for direct writes (no file
// system block is larger than the alignment). Never written to.
inline constexpr size_t kFillZeroAlignment = 65536;
inline constexpr size_t kFillZeroBytes = size_t{8} << 20;
const char* FillZeros();

// ENOSPC or EDQUOT: the volume (or the user's quota) is full.
inline bool IsVolumeFull(int code) { return code == ENOSPC || code == EDQUOT; }

// The name of a fill file, its path without the folder.
std::string FillFileName(const std::string& path);

// An error row, counted in state.
void ReportFillError(FillContext& context, FillState& state, const platform::Status& status);

}  // namespace tarnwell::fill
