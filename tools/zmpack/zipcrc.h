#pragma once
// The CRC-32 of two pieces joined, so that a checksum can be assembled from parts written out of
// order. The CRC-32 of a buffer itself is Crc32Update (engine/crc32.h).
#include <cstdint>

namespace zmpack {

// CRC-32 of A followed by B, from CRC(A), CRC(B) and the length of B.
uint32_t Crc32Combine(uint32_t crc_a, uint32_t crc_b, uint64_t length_b);

}  // namespace zmpack
