// libdeflate for levels 1-12; at kLevelMax also Zopfli, of which the smaller stream is kept.
#include <libdeflate.h>
#include <zopfli/deflate.h>
#include <zopfli/zopfli.h>

#include <cstdlib>
#include <memory>

#include "tools/zmpack/wholedeflate.h"

namespace zmpack {
namespace {

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

bool Libdeflate(const unsigned char* in, size_t size, int level, std::vector<unsigned char>& out) {
    std::unique_ptr<libdeflate_compressor, CompressorFree> c(libdeflate_alloc_compressor(level));
    if (!c) return false;
    // Only a stream smaller than the input is wanted: no room is given for a larger one.
    out.resize(size);
    const size_t n = libdeflate_deflate_compress(c.get(), in, size, out.data(), out.size());
    if (n == 0 || n >= size) return false;
    out.resize(n);
    return true;
}

bool Zopfli(const unsigned char* in, size_t size, std::vector<unsigned char>& out) {
    ZopfliOptions options;
    ZopfliInitOptions(&options);
    unsigned char bits = 0;
    unsigned char* data = nullptr;
    size_t n = 0;
    ZopfliDeflate(&options, 2, 1, in, size, &bits, &data, &n);
    const bool smaller = data != nullptr && n < size;
    if (smaller) out.assign(data, data + n);
    std::free(data);
    return smaller;
}

}  // namespace

bool DeflateWhole(const unsigned char* in, size_t size, int level,
                  std::vector<unsigned char>& out) {
    if (size == 0) return false;
    if (level < kLevelMax)
        return Libdeflate(in, size, level < 1 ? 1 : level > 12 ? 12 : level, out);
    std::vector<unsigned char> best;
    const bool packed = Libdeflate(in, size, 12, best);
    std::vector<unsigned char> zopfli;
    if (Zopfli(in, size, zopfli) && (!packed || zopfli.size() < best.size()))
        best.swap(zopfli);
    else if (!packed)
        return false;
    out.swap(best);
    return true;
}

int HighestLevel() { return 12; }

const char* WholeDeflateName() { return "libdeflate (levels 1-12), Zopfli for max"; }

}  // namespace zmpack
