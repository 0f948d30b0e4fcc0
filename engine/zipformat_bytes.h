#pragma once
// Record constants and bounded offsets, for the readers of the archive's records
// (engine/zipformat.cpp, engine/zipformat_local.cpp). Their fields are read with
// common/littleendian.h.
#include <cstddef>
#include <cstdint>
#include <limits>

namespace zipformat {
namespace bytes {

constexpr uint32_t kLocalSig = 0x04034b50;
constexpr size_t kLocalSize = 30;

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

// a + b within [0, limit], without overflow.
inline bool AddWithin(int64_t a, uint64_t b, int64_t limit, int64_t& out) {
    if (a < 0 || b > static_cast<uint64_t>(kMax - a)) return false;
    out = a + static_cast<int64_t>(b);
    return out <= limit;
}

}  // namespace bytes
}  // namespace zipformat
