// Fixed identity of this program build.
#pragma once

#include <string_view>

namespace tarnwell::core {

// Names the translation template file ("translate_" + id + ".txt").
inline constexpr std::string_view kProgramIdentifier = "11";

}  // namespace tarnwell::core
