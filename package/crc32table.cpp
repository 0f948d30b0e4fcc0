// The table apart from the byte steps (package/crc32.cpp), which run on zlib's: a program that
// only checks sums does not carry it.
#include <array>

#include "package/crc32.h"

const uint32_t* Crc32Table() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table.data();
}
