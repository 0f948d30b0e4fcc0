#pragma once
// Little-endian fields and bounded offsets, for the readers of the archive's records
// (engine/zipformat.cpp, engine/zipformat_local.cpp).
#include <cstddef>
#include <cstdint>
#include <limits>

namespace zipformat {
namespace bytes {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr size_t kLocalSize = 30;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

// a + b within [0, limit], without overflow.
inline bool AddWithin(int64_t a, uint64_t b, int64_t limit, int64_t& out) {
    if (a < 0 || b > static_cast<uint64_t>(kMax - a)) return false;
    out = a + static_cast<int64_t>(b);
    return out <= limit;
}

}  // namespace bytes
}  // namespace zipformat
