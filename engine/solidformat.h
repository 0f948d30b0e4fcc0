#pragma once
// LZMA data in zip entries: the standard per-entry method 14, and solid chains (doc/format.md,
// "Solid entries"), whose members' data taken in archive order is one raw LZMA2 stream.
//
// Every member of a chain carries the extra field kSolidExtraId, in its local header and in its
// central directory record alike:
//   0 u32 member index (0 for the first member of its chain, then 1, 2, ... in archive order)
//   4 u8  flags: bit 0 the last member of its chain; the other bits are 0
//   only in member 0:
//   5 u8  filter before LZMA2: 0 none, 1 the x86 branch-call filter
//   6 u8  LZMA2 dictionary property (as in the xz format): the dictionary size
// A member's local header follows the previous member's data directly; its recorded compressed
// size is its share of the stream, which may be 0. Method 14 entries start with the LZMA SDK
// version (2 bytes), the properties size (2 bytes, 5) and the LZMA properties (5 bytes).
#include <cstdint>
#include <string>

#include "common/littleendian.h"

namespace zipformat {

constexpr uint16_t kMethodLzma = 14;
constexpr uint16_t kMethodSolid = 0x7A4C;  // "Lz": no standard method has this number
constexpr uint16_t kSolidExtraId = 0x7A4C;
constexpr uint8_t kSolidLast = 0x01;
constexpr uint8_t kSolidFilterNone = 0;
constexpr uint8_t kSolidFilterX86 = 1;
constexpr uint16_t kLzmaEosFlag = 0x0002;  // general purpose bit 1 with method 14: end marker
constexpr size_t kLzmaHeaderSize = 9;
// The largest dictionary a reader sets up: property 28 is 64 MiB.
constexpr uint8_t kMaxDictProp = 28;
constexpr uint64_t kMaxDictSize = 64u << 20;

struct SolidMember {
    uint32_t index = 0;
    bool last = false;
    uint8_t filter = kSolidFilterNone;  // member 0 only
    uint8_t dict_prop = 0;              // member 0 only
};

// The dictionary size an LZMA2 property byte stands for (40 and above: not a valid property).
inline uint64_t DictSizeOfProp(uint8_t prop) {
    if (prop > 40) return 0;
    if (prop == 40) return 0xFFFFFFFFu;
    return static_cast<uint64_t>(2 | (prop & 1)) << (prop / 2 + 11);
}

// The smallest property whose dictionary holds `size` bytes, at most kMaxDictProp.
inline uint8_t DictPropFor(uint64_t size) {
    uint8_t p = 0;
    while (p < kMaxDictProp && DictSizeOfProp(p) < size) ++p;
    return p;
}

// The member record from the extra field's data; false when it is malformed.
inline bool ParseSolidMember(const std::string& data, SolidMember& m) {
    const auto* d = reinterpret_cast<const uint8_t*>(data.data());
    if (data.size() < 5) return false;
    m.index = le::Get32(d);
    if ((d[4] & ~kSolidLast) != 0) return false;
    m.last = (d[4] & kSolidLast) != 0;
    if (m.index != 0) return data.size() == 5;
    if (data.size() != 7 || d[5] > kSolidFilterX86) return false;
    m.filter = d[5];
    m.dict_prop = d[6];
    return true;
}

// The extra field (id, length and data) for a member.
inline std::string SolidMemberExtra(const SolidMember& m) {
    std::string x;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) x.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put(kSolidExtraId, 2);
    put(m.index == 0 ? 7 : 5, 2);
    put(m.index, 4);
    put(m.last ? kSolidLast : 0, 1);
    if (m.index == 0) {
        put(m.filter, 1);
        put(m.dict_prop, 1);
    }
    return x;
}

}  // namespace zipformat
