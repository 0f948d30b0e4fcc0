// CRC-32 on the Intel storage acceleration library: the same values as zlib's, faster.
#include <isa-l/crc.h>

#include <algorithm>

#include "engine/crc32.h"

uint32_t Crc32Update(uint32_t crc, const void* data, size_t n) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    while (n > 0) {
        const uint64_t step = std::min<size_t>(n, 1u << 30);
        crc = crc32_gzip_refl(crc, p, step);
        p += step;
        n -= step;
    }
    return crc;
}
