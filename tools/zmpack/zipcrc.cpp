#include "tools/zmpack/zipcrc.h"

namespace zmpack {
namespace {

constexpr uint32_t kPoly = 0xEDB88320u;

// Product of two polynomials modulo the CRC polynomial, in the reflected bit order
// (bit 31 is x^0).
uint32_t MultiplyModP(uint32_t a, uint32_t b) {
    uint32_t m = 1u << 31, p = 0;
    for (;;) {
        if (a & m) {
            p ^= b;
            if ((a & (m - 1)) == 0) break;
        }
        m >>= 1;
        b = (b & 1) ? (b >> 1) ^ kPoly : b >> 1;
    }
    return p;
}

// x^(8 * n) modulo P: appending n zero bytes multiplies the register by it.
uint32_t ShiftForBytes(uint64_t n) {
    uint32_t power = 1u << 30;  // x^1
    // x^8 is x squared three times.
    for (int i = 0; i < 3; ++i) power = MultiplyModP(power, power);
    uint32_t p = 1u << 31;  // x^0
    while (n != 0) {
        if (n & 1) p = MultiplyModP(power, p);
        power = MultiplyModP(power, power);
        n >>= 1;
    }
    return p;
}

}  // namespace

uint32_t Crc32Combine(uint32_t crc_a, uint32_t crc_b, uint64_t length_b) {
    return MultiplyModP(ShiftForBytes(length_b), crc_a) ^ crc_b;
}

}  // namespace zmpack
