#include "tools/zmpack/zipprobe.h"

#include <algorithm>

#include "common/littleendian.h"
#include "engine/zipformat.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace zmpack {
namespace {

constexpr uint64_t kEndRecordSize = 22;
constexpr uint64_t kMaxComment = 0xFFFF;

bool ReadAt(platform::FileStream& f, uint64_t pos, void* buf, size_t n) {
    return f.Seek(static_cast<int64_t>(pos)) && f.ReadExact(buf, n);
}

}  // namespace

bool ProbeZip(const UString& path, ZipProbeResult& r, std::string& error) {
    r = ZipProbeResult();
    const std::string name = platform::WideToUtf8(path);
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) {
        error = "cannot open " + name + ": " +
                platform::WideToUtf8(platform::OsErrorText(f.LastError()));
        return false;
    }
    // In a signed program the archive ends before the certificate table.
    const int64_t size_signed = zipformat::FileSource(f).Size();
    if (size_signed < static_cast<int64_t>(kEndRecordSize)) {
        error = name + " is not a zip archive (too short)";
        return false;
    }
    const uint64_t size = static_cast<uint64_t>(size_signed);
    r.end = size;
    const uint64_t tail_len = std::min<uint64_t>(size, kEndRecordSize + kMaxComment);
    std::string tail(static_cast<size_t>(tail_len), '\0');
    if (!ReadAt(f, size - tail_len, &tail[0], tail.size())) {
        error = "cannot read " + name;
        return false;
    }
    const auto* t = reinterpret_cast<const unsigned char*>(tail.data());
    // The last end record whose comment reaches exactly to the end of the file.
    int64_t found = -1;
    for (int64_t p = static_cast<int64_t>(tail_len - kEndRecordSize); p >= 0; --p) {
        if (le::Get32(t + p) == 0x06054b50 &&
            static_cast<uint64_t>(p) + kEndRecordSize + le::Get16(t + p + 20) == tail_len) {
            found = p;
            break;
        }
    }
    if (found < 0) {
        error = name + " is not a zip archive (no end of central directory record at its end)";
        return false;
    }
    const uint64_t eocd = size - tail_len + static_cast<uint64_t>(found);
    const unsigned char* e = t + found;
    r.entries = le::Get16(e + 10);
    r.cd_size = le::Get32(e + 12);
    r.cd_offset = le::Get32(e + 16);
    uint64_t cd_end = eocd;
    unsigned char loc[20];
    if (eocd >= 20 + 56 && ReadAt(f, eocd - 20, loc, sizeof(loc)) && le::Get32(loc) == 0x07064b50) {
        unsigned char rec[56];
        const uint64_t rec_pos = eocd - 20 - 56;
        if (!ReadAt(f, rec_pos, rec, sizeof(rec)) || le::Get32(rec) != 0x06064b50) {
            error = name + ": the Zip64 end record is missing or damaged";
            return false;
        }
        r.zip64 = true;
        r.entries = le::Get64(rec + 32);
        r.cd_size = le::Get64(rec + 40);
        r.cd_offset = le::Get64(rec + 48);
        cd_end = rec_pos;
        // The locator's own pointer must agree with where the record really is.
        if (le::Get64(loc + 8) != r.cd_offset + r.cd_size) {
            error = name + ": the Zip64 locator does not point at its record";
            return false;
        }
    }
    if (r.cd_size > cd_end || r.cd_offset > cd_end - r.cd_size) {
        error = name + ": the central directory lies outside the file";
        return false;
    }
    r.start = cd_end - r.cd_size - r.cd_offset;
    unsigned char sig[4];
    if (r.entries > 0 && (r.cd_size < 46 || !ReadAt(f, r.start + r.cd_offset, sig, 4) ||
                          le::Get32(sig) != 0x02014b50)) {
        error = name + ": no central directory where the end record says it is";
        return false;
    }
    return true;
}

bool CheckPayloadZip(const UString& path, ZipProbeResult& r, std::string& error) {
    if (!ProbeZip(path, r, error)) return false;
    const std::string name = platform::WideToUtf8(path);
    if (r.start != 0) {
        error = name + ": its offsets do not count from its first byte (" +
                std::to_string(r.start) +
                " bytes come before the archive); only a plain zip archive can be the payload";
        return false;
    }
    if (r.entries == 0) {
        error = name + " has no entries; an installer needs at least one";
        return false;
    }
    platform::FileStream f;
    unsigned char sig[4];
    if (!f.Open(path, platform::FileStream::Mode::ReadShared) || !f.ReadExact(sig, 4) ||
        le::Get32(sig) != 0x04034b50) {
        error = name + ": no local header at its first byte";
        return false;
    }
    return true;
}

}  // namespace zmpack
