// Packs bytes into an LZARI archive that DecodeLzari (or any decoder with the
// same parameters) reads back. Used by the build tool and by tests; the
// program itself never compresses.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarnwell::text {

// The archive for input: its size as 4 bytes little-endian, then the bit
// stream. Empty input gives the 4-byte header alone. Input must be shorter
// than 4 GiB (the header's limit).
std::vector<uint8_t> EncodeLzari(std::span<const uint8_t> input);

}  // namespace tarnwell::text
