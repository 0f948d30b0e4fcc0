#include "tests/unit/solidkit.h"

#include <lzma.h>
#include <zlib.h>

#include "engine/solidformat.h"

namespace solidkit {

std::string Lzma2(const std::string& data, uint8_t dict_prop, bool x86) {
    lzma_options_lzma o;
    lzma_lzma_preset(&o, 6);
    o.dict_size = static_cast<uint32_t>(zipformat::DictSizeOfProp(dict_prop));
    lzma_filter filters[3];
    size_t n = 0;
    if (x86) filters[n++] = {LZMA_FILTER_X86, nullptr};
    filters[n++] = {LZMA_FILTER_LZMA2, &o};
    filters[n] = {LZMA_VLI_UNKNOWN, nullptr};
    std::string out(data.size() + data.size() / 2 + 1024, '\0');
    size_t used = 0;
    if (lzma_raw_buffer_encode(filters, nullptr, reinterpret_cast<const uint8_t*>(data.data()),
                               data.size(), reinterpret_cast<uint8_t*>(&out[0]), &used,
                               out.size()) != LZMA_OK)
        return std::string();
    out.resize(used);
    return out;
}

std::vector<zipkit::Entry> Chain(const std::vector<File>& files, uint8_t dict_prop, bool x86,
                                 uint8_t recorded_prop) {
    std::string joined;
    for (const File& f : files) joined += f.data;
    const std::string stream = Lzma2(joined, dict_prop, x86);
    std::vector<zipkit::Entry> out;
    const size_t share = stream.size() / files.size();
    for (size_t k = 0; k < files.size(); ++k) {
        zipkit::Entry e;
        e.name = files[k].name;
        e.method = zipformat::kMethodSolid;
        e.data = k + 1 < files.size() ? stream.substr(k * share, share) : stream.substr(k * share);
        e.set_size = true;
        e.size = files[k].data.size();
        e.set_crc = true;
        e.crc = static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(files[k].data.data()),
                                            static_cast<uInt>(files[k].data.size())));
        zipformat::SolidMember m;
        m.index = static_cast<uint32_t>(k);
        m.last = k + 1 == files.size();
        m.filter = x86 ? zipformat::kSolidFilterX86 : zipformat::kSolidFilterNone;
        m.dict_prop = recorded_prop == 0xFF ? dict_prop : recorded_prop;
        e.extra = zipformat::SolidMemberExtra(m);
        out.push_back(e);
    }
    return out;
}

}  // namespace solidkit
