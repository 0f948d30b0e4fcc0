#pragma once
// Little-endian integers read from byte buffers: the fields of zip records, of the package
// container, of the engine resource, of message tables and of program images. Header-only, so
// every layer from the engine up reads them the same way without linking anything.
#include <cstdint>

namespace le {

inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}

}  // namespace le
