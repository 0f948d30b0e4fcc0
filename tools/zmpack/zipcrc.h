#pragma once
// CRC-32 (the zip/zlib one) over buffers of any length, and the CRC of two pieces joined, so
// that a checksum can be assembled from parts written out of order.
#include <cstddef>
#include <cstdint>

namespace zmpack {

uint32_t Crc32Of(uint32_t crc, const void* data, size_t size);

// CRC-32 of A followed by B, from CRC(A), CRC(B) and the length of B.
uint32_t Crc32Combine(uint32_t crc_a, uint32_t crc_b, uint64_t length_b);

}  // namespace zmpack
