// CRC-32 on zlib, the one every build has.
#include <zlib.h>

#include <algorithm>

#include "engine/crc32.h"

uint32_t Crc32Update(uint32_t crc, const void* data, size_t n) {
    // zlib's length is 32 bits wide on every build.
    const Bytef* p = static_cast<const Bytef*>(data);
    uLong c = crc;
    while (n > 0) {
        const uInt step = static_cast<uInt>(std::min<size_t>(n, 1u << 30));
        c = crc32(c, p, step);
        p += step;
        n -= step;
    }
    return static_cast<uint32_t>(c);
}
