// Unpacks an LZARI archive: a 4-byte little-endian declared size followed by
// the arithmetic-coded bit stream (LZSS over a 4096-byte ring, adaptive
// symbol model, fixed position model).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwell::text {

// Decodes archive[0, archive_length) into output and returns the declared size.
// At most capacity - 1 bytes (and never more than declared) are stored; the
// rest is decoded, counted and dropped. Bits past the archive's end read as 1.
// Allocates nothing; any input ends, a damaged one with wrong bytes. An archive
// shorter than its 4-byte header declares 0 bytes.
uint32_t DecodeLzari(const uint8_t* archive, size_t archive_length, uint8_t* output,
                     size_t capacity);

}  // namespace tarnwell::text
