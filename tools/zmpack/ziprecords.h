#pragma once
// The byte layout of the PKZIP records the writer produces (little-endian throughout).
//
// Local file header (30 bytes + name + extra):
//   0 sig 0x04034b50 | 4 version needed | 6 flags (bit 11: UTF-8 name) | 8 method (0 store,
//   8 deflate) | 10 DOS time | 12 DOS date | 14 CRC-32 | 18 compressed size | 22 size |
//   26 name length | 28 extra length
// Central directory header (46 bytes + name + extra):
//   0 sig 0x02014b50 | 4 version made by | 6 version needed | 8 flags | 10 method | 12 time |
//   14 date | 16 CRC | 20 compressed | 24 size | 28 name length | 30 extra length |
//   32 comment length | 34 disk | 36 internal attributes | 38 external attributes |
//   42 local header offset
// Extra fields: 0x0001 Zip64 (local: size and compressed size, both; central: only the
// fields stored as 0xFFFFFFFF, in the order size, compressed, offset) and 0x5455 extended
// timestamp (flags 1, modification time as signed 32-bit Unix time).
// End: [Zip64 end record 0x06064b50 (56 bytes) + locator 0x07064b50 (20 bytes)] + end record
// 0x06054b50 (22 bytes, no comment).
#include <cstdint>
#include <string>

namespace zmpack {

constexpr uint32_t kZip32Limit = 0xFFFFFFFFu;
constexpr uint16_t kMethodStore = 0;
constexpr uint16_t kMethodDeflate = 8;
constexpr uint16_t kMethodLzma = 14;
constexpr uint16_t kFlagUtf8 = 0x0800;
constexpr uint32_t kDosAttrReadOnly = 0x01;
constexpr uint32_t kDosAttrDirectory = 0x10;
constexpr size_t kLocalHeaderFixed = 30;
constexpr size_t kCentralHeaderFixed = 46;

struct ZipEntryRecord {
    std::string name;
    uint16_t method = kMethodStore;
    uint32_t crc = 0;
    uint64_t compressed = 0;
    uint64_t size = 0;
    uint64_t offset = 0;  // of the local header, from the archive's first byte
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    bool has_unix_time = false;
    int32_t unix_time = 0;
    uint32_t external_attr = 0;
    uint16_t flags = 0;  // general purpose flags besides the UTF-8 one
    std::string extra;   // further extra fields, in both records
    // The local header carries the Zip64 field. Decided from the size before the data is
    // written, so that patching the header later never changes its length.
    bool local_zip64 = false;
};

// Appends the records to out.
void AppendLocalHeader(std::string& out, const ZipEntryRecord& e);
void AppendCentralHeader(std::string& out, const ZipEntryRecord& e);
void AppendEndRecords(std::string& out, uint64_t count, uint64_t cd_size, uint64_t cd_offset);

// The entry's time fields from Unix time. DOS dates cover 1980 to 2107; times outside are
// clamped to the nearest end. The extended timestamp is left out when the time does not fit
// a signed 32-bit value.
void SetEntryTime(ZipEntryRecord& e, int64_t unix_time, bool utc);

// Plain civil date from Unix time in UTC (no time zone data needed).
struct CivilTime {
    int year, month, day, hour, minute, second;
};
CivilTime UtcCivilTime(int64_t unix_time);

}  // namespace zmpack
