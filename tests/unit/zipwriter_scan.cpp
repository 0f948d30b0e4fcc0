#include "tests/unit/zipwriter_scan.h"

#include <zlib.h>

namespace ziptest {
namespace {

uint64_t Get(const std::string& b, uint64_t pos, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[pos + i]);
    return v;
}

bool Fits(const std::string& b, uint64_t pos, uint64_t n) {
    return pos <= b.size() && n <= b.size() - pos;
}

void ParseExtra(const std::string& extra, ScannedEntry& e, bool central) {
    size_t p = 0;
    while (p + 4 <= extra.size()) {
        uint16_t id = static_cast<uint16_t>(Get(extra, p, 2));
        uint16_t len = static_cast<uint16_t>(Get(extra, p + 2, 2));
        if (p + 4 + len > extra.size()) break;
        size_t q = p + 4;
        if (id == 0x0001) {
            if (central) {
                e.has_zip64 = true;
                if (e.size == 0xFFFFFFFFu) e.size = Get(extra, q, 8), q += 8;
                if (e.compressed == 0xFFFFFFFFu) e.compressed = Get(extra, q, 8), q += 8;
                if (e.offset == 0xFFFFFFFFu) e.offset = Get(extra, q, 8), q += 8;
            } else {
                e.local_zip64 = len == 16;
            }
        } else if (id == 0x5455 && central && len >= 5 && (extra[q] & 1)) {
            e.has_mtime = true;
            e.mtime = static_cast<int32_t>(Get(extra, q + 1, 4));
        }
        p += 4 + len;
    }
}

}  // namespace

ScannedArchive ScanZip(const std::string& b, bool with_data) {
    ScannedArchive a;
    if (b.size() < 22) return a.error = "too short", a;
    uint64_t eocd = UINT64_MAX;
    for (uint64_t p = b.size() - 22;; --p) {
        if (Get(b, p, 4) == 0x06054b50) {
            eocd = p;
            break;
        }
        if (p == 0 || b.size() - p > 65557) break;
    }
    if (eocd == UINT64_MAX) return a.error = "no end record", a;
    a.end_record = eocd;
    a.count = Get(b, eocd + 10, 2);
    a.cd_size = Get(b, eocd + 12, 4);
    a.cd_offset = Get(b, eocd + 16, 4);
    uint64_t cd_end = eocd;
    if (eocd >= 20 && Get(b, eocd - 20, 4) == 0x07064b50) {
        uint64_t rec_rel = Get(b, eocd - 20 + 8, 8);
        uint64_t rec = eocd - 20 - 56;
        if (Get(b, rec, 4) != 0x06064b50) return a.error = "no Zip64 end record", a;
        a.zip64_end = true;
        a.count = Get(b, rec + 32, 8);
        a.cd_size = Get(b, rec + 40, 8);
        a.cd_offset = Get(b, rec + 48, 8);
        cd_end = rec;
        if (rec_rel != a.cd_offset + a.cd_size) return a.error = "locator offset wrong", a;
    }
    if (cd_end < a.cd_size + a.cd_offset) return a.error = "offsets out of range", a;
    a.start = cd_end - a.cd_size - a.cd_offset;
    uint64_t p = a.start + a.cd_offset;
    for (uint64_t i = 0; i < a.count; ++i) {
        if (!Fits(b, p, 46) || Get(b, p, 4) != 0x02014b50) return a.error = "bad central header", a;
        ScannedEntry e;
        e.made_by = static_cast<uint16_t>(Get(b, p + 4, 2));
        e.needed = static_cast<uint16_t>(Get(b, p + 6, 2));
        e.flags = static_cast<uint16_t>(Get(b, p + 8, 2));
        e.method = static_cast<uint16_t>(Get(b, p + 10, 2));
        e.time = static_cast<uint16_t>(Get(b, p + 12, 2));
        e.date = static_cast<uint16_t>(Get(b, p + 14, 2));
        e.crc = static_cast<uint32_t>(Get(b, p + 16, 4));
        e.compressed = Get(b, p + 20, 4);
        e.size = Get(b, p + 24, 4);
        uint64_t nlen = Get(b, p + 28, 2), xlen = Get(b, p + 30, 2), clen = Get(b, p + 32, 2);
        e.external = static_cast<uint32_t>(Get(b, p + 38, 4));
        e.offset = Get(b, p + 42, 4);
        if (!Fits(b, p + 46, nlen + xlen + clen)) return a.error = "central header cut", a;
        e.name = b.substr(p + 46, nlen);
        ParseExtra(b.substr(p + 46 + nlen, xlen), e, true);
        uint64_t lh = a.start + e.offset;
        if (!Fits(b, lh, 30) || Get(b, lh, 4) != 0x04034b50)
            return a.error = "bad local header of " + e.name, a;
        uint64_t lnlen = Get(b, lh + 26, 2), lxlen = Get(b, lh + 28, 2);
        if (!Fits(b, lh + 30, lnlen + lxlen) || b.substr(lh + 30, lnlen) != e.name)
            return a.error = "local name differs for " + e.name, a;
        ScannedEntry local;
        ParseExtra(b.substr(lh + 30 + lnlen, lxlen), local, false);
        e.local_zip64 = local.local_zip64;
        if (Get(b, lh + 14, 4) != e.crc) return a.error = "local CRC differs for " + e.name, a;
        if (!e.local_zip64 && (Get(b, lh + 18, 4) != e.compressed || Get(b, lh + 22, 4) != e.size))
            return a.error = "local sizes differ for " + e.name, a;
        uint64_t data = lh + 30 + lnlen + lxlen;
        if (!Fits(b, data, e.compressed)) return a.error = "data cut for " + e.name, a;
        if (with_data) e.data = b.substr(data, e.compressed);
        a.entries.push_back(std::move(e));
        p += 46 + nlen + xlen + clen;
    }
    if (p != a.start + a.cd_offset + a.cd_size) a.error = "central directory size wrong";
    return a;
}

std::string Inflate(const std::string& raw, bool& ok) {
    z_stream zs{};
    ok = false;
    if (inflateInit2(&zs, -15) != Z_OK) return std::string();
    std::string out;
    char buf[65536];
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
    zs.avail_in = static_cast<uInt>(raw.size());
    int ret;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(buf);
        zs.avail_out = sizeof(buf);
        ret = inflate(&zs, Z_NO_FLUSH);
        out.append(buf, sizeof(buf) - zs.avail_out);
    } while (ret == Z_OK);
    ok = ret == Z_STREAM_END && zs.avail_in == 0;
    inflateEnd(&zs);
    return out;
}

}  // namespace ziptest
