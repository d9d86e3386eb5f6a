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

// The most bytes an archive of archive_length bytes can decode to: one input
// bit never yields more than one longest match (60 bytes). A larger declared
// size is a lie that would have the decoder run on the 1 bits past the end.
uint64_t MaxLzariDecodedSize(size_t archive_length);

}  // namespace tarnwell::text
