#include "engine/signedimage.h"

#include <algorithm>
#include <vector>

#include "common/littleendian.h"

namespace zipformat {
namespace {

using le::Get16;
using le::Get32;

constexpr uint32_t kEndSig = 0x06054b50;
constexpr int64_t kEndSize = 22;
constexpr int64_t kMaxComment = 0xFFFF;
constexpr int64_t kMaxPadding = 7;
constexpr uint16_t kPe32 = 0x10b, kPe32Plus = 0x20b;
constexpr unsigned kSecurityEntry = 4;
constexpr uint16_t kCertPkcsSignedData = 2;

// The security entry and checksum of a PE image; false when the file is no PE image.
bool ReadPeHeaders(ByteSource& file, SignedImage& out, uint32_t& table_offset, uint32_t& table_size,
                   int64_t& headers_end) {
    const int64_t size = file.Size();
    uint8_t dos[64];
    if (size < 64 || !file.ReadAt(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z')
        return false;
    const int64_t pe = Get32(dos + 0x3C);
    uint8_t coff[24];
    if (pe + 24 > size || !file.ReadAt(pe, coff, sizeof coff) || Get32(coff) != 0x00004550)
        return false;
    const int64_t opt = pe + 24;
    const uint16_t opt_size = Get16(coff + 20);
    uint8_t magic[2];
    if (!file.ReadAt(opt, magic, 2)) return false;
    int64_t count_pos = 0;
    if (Get16(magic) == kPe32) {
        count_pos = opt + 92;
    } else if (Get16(magic) == kPe32Plus) {
        count_pos = opt + 108;
    } else {
        return false;
    }
    const int64_t dirs = count_pos + 4;
    const int64_t entry = dirs + 8 * kSecurityEntry;
    uint8_t count[4];
    uint8_t sec[8];
    // The entry must lie inside the optional header the COFF header declares, and the
    // directory must have one.
    if (entry + 8 > opt + opt_size || !file.ReadAt(count_pos, count, 4) ||
        Get32(count) <= kSecurityEntry || !file.ReadAt(entry, sec, 8))
        return false;
    out.checksum_pos = opt + 64;
    out.security_entry_pos = entry;
    table_offset = Get32(sec);
    table_size = Get32(sec + 4);
    headers_end = opt + opt_size;
    return true;
}

// A certificate table: WIN_CERTIFICATE records (length, revision, type, data), each starting
// 8-aligned from the table's start, the last one ending at the table's end (its own padding
// included or not). At least one signature of the PKCS#7 kind.
bool WellFormedTable(ByteSource& file, int64_t offset, int64_t size) {
    int64_t pos = offset;
    const int64_t end = offset + size;
    bool pkcs7 = false;
    while (pos < end) {
        uint8_t h[8];
        if (end - pos < 8 || !file.ReadAt(pos, h, sizeof h)) return false;
        const int64_t len = Get32(h);
        const uint16_t revision = Get16(h + 4), type = Get16(h + 6);
        if (len < 8 || len > end - pos || (revision != 0x0100 && revision != 0x0200)) return false;
        pkcs7 = pkcs7 || type == kCertPkcsSignedData;
        const int64_t next = pos + ((len + 7) & ~int64_t{7});
        if (next >= end) break;
        pos = next;
    }
    return pkcs7;
}

// The position, among end - 0 ... end - 7 with only zero bytes between it and end, that an end of
// central directory record closes exactly; -1 when none does.
int64_t ArchiveEndBefore(ByteSource& file, int64_t end) {
    const int64_t window = std::min<int64_t>(end, kEndSize + kMaxComment + kMaxPadding);
    if (window < kEndSize) return -1;
    std::vector<uint8_t> tail(static_cast<size_t>(window));
    const int64_t base = end - window;
    if (!file.ReadAt(base, tail.data(), tail.size())) return -1;
    for (int64_t pad = 0; pad <= kMaxPadding && pad <= window - kEndSize; ++pad) {
        if (pad > 0 && tail[static_cast<size_t>(window - pad)] != 0) break;
        const int64_t candidate = window - pad;  // in the window
        const int64_t lowest = std::max<int64_t>(0, candidate - kEndSize - kMaxComment);
        for (int64_t i = candidate - kEndSize; i >= lowest; --i) {
            const uint8_t* p = tail.data() + i;
            if (Get32(p) == kEndSig && i + kEndSize + Get16(p + 20) == candidate)
                return base + candidate;
        }
    }
    return -1;
}

}  // namespace

SignedImage FindSignedImage(ByteSource& file) {
    SignedImage r;
    r.file_size = file.Size();
    r.archive_end = r.file_size;
    uint32_t offset = 0, size = 0;
    int64_t headers_end = 0;
    if (r.file_size <= 0 || !ReadPeHeaders(file, r, offset, size, headers_end)) {
        r.checksum_pos = r.security_entry_pos = 0;
        return r;
    }
    r.table_offset = offset;
    r.table_size = size;
    if (offset == 0 && size == 0) {
        // A signature removed: what it padded is no part of the archive either.
        const int64_t end = ArchiveEndBefore(file, r.file_size);
        if (end >= 0) r.archive_end = end;
        return r;
    }
    // Only a table that closes the file, behind the headers, is a signature's.
    if (offset == 0 || size < 8 || offset < headers_end ||
        static_cast<int64_t>(offset) + size != r.file_size || !WellFormedTable(file, offset, size))
        return r;
    r.has_table = true;
    // No archive before the table: the file reads as it always did.
    const int64_t end = ArchiveEndBefore(file, offset);
    if (end >= 0) r.archive_end = end;
    return r;
}

}  // namespace zipformat
