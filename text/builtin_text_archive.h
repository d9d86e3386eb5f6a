// The packed text archive compiled into the program; its source is generated
// at build time from the texts under res/.
#pragma once

#include <cstdint>
#include <span>

namespace tarnwell::text {

std::span<const uint8_t> BuiltinTextArchive();

}  // namespace tarnwell::text
