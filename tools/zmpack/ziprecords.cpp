#include "tools/zmpack/ziprecords.h"

#include <ctime>

namespace zmpack {
namespace {

void Put16(std::string& out, uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put64(std::string& out, uint64_t v) {
    Put32(out, static_cast<uint32_t>(v & 0xFFFFFFFFu));
    Put32(out, static_cast<uint32_t>(v >> 32));
}
uint32_t Clamp32(uint64_t v) { return v >= kZip32Limit ? kZip32Limit : static_cast<uint32_t>(v); }

uint16_t VersionNeeded(const ZipEntryRecord& e, bool zip64) {
    if (e.method != kMethodStore && e.method != kMethodDeflate) return 63;  // LZMA, solid
    if (zip64) return 45;
    return e.method == kMethodDeflate ? 20 : 10;
}

void AppendTimeExtra(std::string& out, const ZipEntryRecord& e) {
    if (!e.has_unix_time) return;
    Put16(out, 0x5455);
    Put16(out, 5);
    out.push_back(1);
    Put32(out, static_cast<uint32_t>(e.unix_time));
}

}  // namespace

void AppendLocalHeader(std::string& out, const ZipEntryRecord& e) {
    std::string extra;
    if (e.local_zip64) {
        Put16(extra, 0x0001);
        Put16(extra, 16);
        Put64(extra, e.size);
        Put64(extra, e.compressed);
    }
    AppendTimeExtra(extra, e);
    extra += e.extra;
    Put32(out, 0x04034b50);
    Put16(out, VersionNeeded(e, e.local_zip64));
    Put16(out, kFlagUtf8 | e.flags);
    Put16(out, e.method);
    Put16(out, e.dos_time);
    Put16(out, e.dos_date);
    Put32(out, e.crc);
    Put32(out, e.local_zip64 ? kZip32Limit : static_cast<uint32_t>(e.compressed));
    Put32(out, e.local_zip64 ? kZip32Limit : static_cast<uint32_t>(e.size));
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    out += e.name;
    out += extra;
}

void AppendCentralHeader(std::string& out, const ZipEntryRecord& e) {
    std::string z64;
    if (e.size >= kZip32Limit) Put64(z64, e.size);
    if (e.compressed >= kZip32Limit) Put64(z64, e.compressed);
    if (e.offset >= kZip32Limit) Put64(z64, e.offset);
    std::string extra;
    if (!z64.empty()) {
        Put16(extra, 0x0001);
        Put16(extra, static_cast<uint32_t>(z64.size()));
        extra += z64;
    }
    AppendTimeExtra(extra, e);
    extra += e.extra;
    bool zip64 = !z64.empty() || e.local_zip64;
    Put32(out, 0x02014b50);
    Put16(out, e.method == kMethodStore || e.method == kMethodDeflate ? 45 : 63);  // made by:
    // version 4.5 (6.3 with LZMA), MS-DOS attribute form (high byte 0)
    Put16(out, VersionNeeded(e, zip64));
    Put16(out, kFlagUtf8 | e.flags);
    Put16(out, e.method);
    Put16(out, e.dos_time);
    Put16(out, e.dos_date);
    Put32(out, e.crc);
    Put32(out, Clamp32(e.compressed));
    Put32(out, Clamp32(e.size));
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, static_cast<uint32_t>(extra.size()));
    Put16(out, 0);  // comment
    Put16(out, 0);  // disk
    Put16(out, 0);  // internal attributes
    Put32(out, e.external_attr);
    Put32(out, Clamp32(e.offset));
    out += e.name;
    out += extra;
}

void AppendEndRecords(std::string& out, uint64_t count, uint64_t cd_size, uint64_t cd_offset) {
    bool zip64 = count >= 0xFFFF || cd_size >= kZip32Limit || cd_offset >= kZip32Limit;
    if (zip64) {
        uint64_t record_offset = cd_offset + cd_size;
        Put32(out, 0x06064b50);
        Put64(out, 44);  // size of the rest of this record
        Put16(out, 45);
        Put16(out, 45);
        Put32(out, 0);
        Put32(out, 0);
        Put64(out, count);
        Put64(out, count);
        Put64(out, cd_size);
        Put64(out, cd_offset);
        Put32(out, 0x07064b50);
        Put32(out, 0);
        Put64(out, record_offset);
        Put32(out, 1);
    }
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(count >= 0xFFFF ? 0xFFFF : count));
    Put16(out, static_cast<uint32_t>(count >= 0xFFFF ? 0xFFFF : count));
    Put32(out, Clamp32(cd_size));
    Put32(out, Clamp32(cd_offset));
    Put16(out, 0);
}

CivilTime UtcCivilTime(int64_t t) {
    int64_t days = t / 86400;
    int64_t secs = t % 86400;
    if (secs < 0) {
        secs += 86400;
        --days;
    }
    // Days to civil date, proleptic Gregorian calendar (eras of 400 years).
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    return CivilTime{static_cast<int>(y),
                     static_cast<int>(m),
                     static_cast<int>(d),
                     static_cast<int>(secs / 3600),
                     static_cast<int>(secs % 3600 / 60),
                     static_cast<int>(secs % 60)};
}

void SetEntryTime(ZipEntryRecord& e, int64_t unix_time, bool utc) {
    e.has_unix_time = unix_time >= INT32_MIN && unix_time <= INT32_MAX;
    e.unix_time = e.has_unix_time ? static_cast<int32_t>(unix_time) : 0;
    CivilTime c = UtcCivilTime(unix_time);
    if (!utc) {
        std::time_t tt = static_cast<std::time_t>(unix_time);
        if (static_cast<int64_t>(tt) == unix_time) {
            if (const std::tm* lt = std::localtime(&tt)) {
                c = CivilTime{lt->tm_year + 1900, lt->tm_mon + 1, lt->tm_mday,
                              lt->tm_hour,        lt->tm_min,     lt->tm_sec};
            }
        }
    }
    if (c.year < 1980) c = CivilTime{1980, 1, 1, 0, 0, 0};
    if (c.year > 2107) c = CivilTime{2107, 12, 31, 23, 59, 58};
    e.dos_date = static_cast<uint16_t>(((c.year - 1980) << 9) | (c.month << 5) | c.day);
    e.dos_time = static_cast<uint16_t>((c.hour << 11) | (c.minute << 5) | (c.second / 2));
}

}  // namespace zmpack
