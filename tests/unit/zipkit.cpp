#include "tests/unit/zipkit.h"

#include <zlib.h>

namespace zipkit {
namespace {

void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}
void Put64(std::string& s, uint64_t v) {
    Put32(s, static_cast<uint32_t>(v));
    Put32(s, static_cast<uint32_t>(v >> 32));
}
uint32_t Sat(uint64_t v, bool zip64) {
    return zip64 || v >= 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v);
}

// An independent copy of the traditional cipher, so that the engine's is checked against it.
class Cipher {
  public:
    explicit Cipher(const std::string& password) {
        for (char c : password) Update(static_cast<uint8_t>(c));
    }
    std::string Encrypt(const std::string& plain) {
        std::string out = plain;
        for (auto& ch : out) {
            uint8_t p = static_cast<uint8_t>(ch);
            uint32_t t = (k2 | 2) & 0xFFFF;
            ch = static_cast<char>(p ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
            Update(p);
        }
        return out;
    }

  private:
    static uint32_t Crc(uint32_t c, uint8_t b) {
        c ^= b;
        for (int i = 0; i < 8; ++i) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
        return c;
    }
    void Update(uint8_t p) {
        k0 = Crc(k0, p);
        k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
        k2 = Crc(k2, static_cast<uint8_t>(k1 >> 24));
    }
    uint32_t k0 = 0x12345678u, k1 = 0x23456789u, k2 = 0x34567890u;
};

struct Written {
    uint32_t crc;
    uint64_t csize, size, offset;
};

}  // namespace

std::string Deflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string RandomBytes(size_t n, uint32_t seed) {
    std::string s(n, '\0');
    uint32_t x = seed * 2654435761u + 1;
    for (auto& c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

ZipBuilder& ZipBuilder::Add(const Entry& e) {
    entries_.push_back(e);
    return *this;
}

ZipBuilder& ZipBuilder::AddFile(const std::string& name, const std::string& data, uint16_t method) {
    Entry e;
    e.name = name;
    e.data = data;
    e.method = method;
    return Add(e);
}

ZipBuilder& ZipBuilder::AddFolder(const std::string& name) {
    Entry e;
    e.name = name;
    e.method = 0;
    e.external_attr = 0x10;
    return Add(e);
}

std::string ZipBuilder::Build(const std::string& prefix) const {
    std::string zip;
    std::vector<Written> written;
    for (const auto& e : entries_) {
        Written w;
        w.crc = e.set_crc
                    ? e.crc
                    : static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(e.data.data()),
                                                  static_cast<uInt>(e.data.size())));
        std::string body = e.method == 8 ? Deflate(e.data) : e.data;
        uint16_t flags = (e.utf8 ? 0x800 : 0) | (e.descriptor ? 8 : 0);
        if (!e.password.empty()) {
            flags |= 1;
            std::string header = RandomBytes(11, w.crc ^ 0x5A5A);
            header.push_back(static_cast<char>(e.descriptor ? (e.dos_time >> 8) : (w.crc >> 24)));
            body = Cipher(e.password).Encrypt(header + body);
        }
        w.csize = body.size();
        w.size = e.set_size ? e.size : e.data.size();
        w.offset = e.set_local_offset ? e.local_offset : zip.size();
        written.push_back(w);

        const std::string& lname = e.local_name.empty() ? e.name : e.local_name;
        std::string extra;
        if (e.zip64) {
            Put16(extra, 1);
            Put16(extra, 16);
            Put64(extra, w.size);
            Put64(extra, w.csize);
        }
        extra += e.extra;
        std::string local;
        Put32(local, 0x04034b50);
        Put16(local, e.zip64 ? 45 : 20);
        Put16(local, flags);
        Put16(local, e.method);
        Put16(local, e.dos_time);
        Put16(local, e.dos_date);
        Put32(local, e.descriptor ? 0 : w.crc);
        Put32(local, e.descriptor ? 0 : Sat(w.csize, e.zip64));
        Put32(local, e.descriptor ? 0 : Sat(w.size, e.zip64));
        Put16(local, static_cast<uint32_t>(lname.size()));
        Put16(local, static_cast<uint32_t>(extra.size()));
        zip += local + lname + extra + body;
        if (e.descriptor) {
            Put32(zip, 0x08074b50);
            Put32(zip, w.crc);
            if (e.zip64) {
                Put64(zip, w.csize);
                Put64(zip, w.size);
            } else {
                Put32(zip, static_cast<uint32_t>(w.csize));
                Put32(zip, static_cast<uint32_t>(w.size));
            }
        }
    }
    const uint64_t cd_offset = zip.size();
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        const Written& w = written[i];
        std::string extra;
        if (e.zip64) {
            Put16(extra, 1);
            Put16(extra, 24);
            Put64(extra, w.size);
            Put64(extra, w.csize);
            Put64(extra, w.offset);
        }
        if (e.has_mtime) {
            Put16(extra, 0x5455);
            Put16(extra, 5);
            extra.push_back(1);
            Put32(extra, e.mtime);
        }
        extra += e.extra;
        uint16_t flags =
            (e.utf8 ? 0x800 : 0) | (e.descriptor ? 8 : 0) | (e.password.empty() ? 0 : 1);
        std::string c;
        Put32(c, 0x02014b50);
        Put16(c, (static_cast<uint32_t>(e.host) << 8) | 45);
        Put16(c, e.zip64 ? 45 : 20);
        Put16(c, flags);
        Put16(c, e.method);
        Put16(c, e.dos_time);
        Put16(c, e.dos_date);
        Put32(c, w.crc);
        Put32(c, Sat(w.csize, e.zip64));
        Put32(c, Sat(w.size, e.zip64));
        Put16(c, static_cast<uint32_t>(e.name.size()));
        Put16(c, static_cast<uint32_t>(extra.size()));
        Put16(c, 0);  // comment
        Put16(c, 0);  // disk
        Put16(c, 0);  // internal attributes
        Put32(c, e.external_attr);
        Put32(c, Sat(w.offset, e.zip64));
        zip += c + e.name + extra;
    }
    const uint64_t cd_size = zip.size() - cd_offset;
    const uint64_t n = set_count ? count : entries_.size();
    if (zip64_end) {
        const uint64_t z64_pos = zip.size();
        Put32(zip, 0x06064b50);
        Put64(zip, 44);
        Put16(zip, 45);
        Put16(zip, 45);
        Put32(zip, 0);
        Put32(zip, 0);
        Put64(zip, n);
        Put64(zip, n);
        Put64(zip, cd_size);
        Put64(zip, cd_offset);
        Put32(zip, 0x07064b50);
        Put32(zip, 0);
        Put64(zip, z64_pos);
        Put32(zip, 1);
    }
    Put32(zip, 0x06054b50);
    Put16(zip, 0);
    Put16(zip, 0);
    Put16(zip, zip64_end ? 0xFFFF : static_cast<uint32_t>(n & 0xFFFF));
    Put16(zip, zip64_end ? 0xFFFF : static_cast<uint32_t>(n & 0xFFFF));
    Put32(zip, Sat(cd_size, zip64_end));
    Put32(zip, Sat(cd_offset, zip64_end));
    Put16(zip, static_cast<uint32_t>(comment.size()));
    zip += comment;
    return prefix + zip;
}

}  // namespace zipkit
