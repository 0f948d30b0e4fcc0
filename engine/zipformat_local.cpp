// The check of an entry's local header against the central directory, in a file of its own:
// only the extraction needs it, and a program that only lists archives (the installer) then does
// not carry it.
#include <cstring>

#include "engine/ZMEngineApi.h"
#include "engine/zipformat.h"
#include "engine/zipformat_bytes.h"
#include "common/littleendian.h"

namespace zipformat {

using namespace bytes;
using le::Get16;
using le::Get32;
using le::Get64;

int ZipDirectory::LocateData(const ZipEntry& entry, int64_t& data_pos, std::string& why) {
    int64_t pos;
    if (!AddWithin(end_.archive_start, entry.local_offset, end_.cd_start, pos)) {
        why = "local header outside the archive";
        return ZE_ERR_INVALID_ZIP;
    }
    uint8_t h[kLocalSize];
    if (!source_->ReadAt(pos, h, sizeof h)) {
        why = "local header cut short";
        return ZE_ERR_UNEXPECTED_END;
    }
    if (Get32(h) != kLocalSig) {
        why = "bad local header signature";
        return ZE_ERR_INVALID_ZIP;
    }
    const uint16_t lflags = Get16(h + 6), lmethod = Get16(h + 8);
    const size_t name_len = Get16(h + 26), extra_len = Get16(h + 28);
    // The central directory is authoritative; a local header that disagrees with it is refused
    // rather than guessed at: on how to read the data (method; encryption, data descriptor and
    // strong encryption flags), on the name and its encoding (UTF-8 flag; a tool that reads local
    // headers would see another file), and on the sizes and CRC when the header carries them.
    if (lmethod != entry.method || ((lflags ^ entry.flags) & 0x849) != 0 ||
        name_len != entry.name.size()) {
        why = "local header disagrees with the central directory";
        return ZE_ERR_INVALID_ZIP;
    }
    local_.resize(name_len + extra_len);
    if (!local_.empty() &&
        !source_->ReadAt(pos + static_cast<int64_t>(kLocalSize), local_.data(), local_.size())) {
        why = "local header cut short";
        return ZE_ERR_UNEXPECTED_END;
    }
    bool agrees = name_len == 0 || std::memcmp(local_.data(), entry.name.data(), name_len) == 0;
    if (agrees && (lflags & 0x8) == 0) {
        uint64_t lsize = Get32(h + 22), lcsize = Get32(h + 18);
        bool need_size = lsize == 0xFFFFFFFFu, need_csize = lcsize == 0xFFFFFFFFu;
        const uint8_t* x = local_.data() + name_len;
        const uint8_t* x_end = x + extra_len;
        while ((need_size || need_csize) && x_end - x >= 4) {
            const uint16_t id = Get16(x), len = Get16(x + 2);
            const uint8_t* d = x + 4;
            if (static_cast<size_t>(x_end - d) < len) break;
            if (id == 0x0001) {
                const uint8_t* d_end = d + len;
                if (need_size && d_end - d >= 8) lsize = Get64(d), d += 8, need_size = false;
                if (need_csize && d_end - d >= 8) lcsize = Get64(d), need_csize = false;
                break;
            }
            x = d + len;
        }
        agrees = !need_size && !need_csize && Get32(h + 14) == entry.crc && lsize == entry.size &&
                 lcsize == entry.compressed_size;
    }
    if (!agrees) {
        why = "local header disagrees with the central directory";
        return ZE_ERR_INVALID_ZIP;
    }
    const uint64_t skip = kLocalSize + static_cast<uint64_t>(name_len) + extra_len;
    int64_t data, data_end;
    if (!AddWithin(pos, skip, end_.cd_start, data) ||
        !AddWithin(data, entry.compressed_size, end_.cd_start, data_end)) {
        why = "entry data outside the archive";
        return ZE_ERR_INVALID_ZIP;
    }
    data_pos = data;
    return 0;
}

}  // namespace zipformat
