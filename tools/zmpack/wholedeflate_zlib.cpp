// zlib, where libdeflate and Zopfli are not built: levels above 9 are zlib's 9.
#include <zlib.h>

#include "tools/zmpack/wholedeflate.h"

namespace zmpack {

bool DeflateWhole(const unsigned char* in, size_t size, int level,
                  std::vector<unsigned char>& out) {
    if (size == 0) return false;
    z_stream zs{};
    if (deflateInit2(&zs,
                     level < 1   ? 1
                     : level > 9 ? 9
                                 : level,
                     Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    out.resize(deflateBound(&zs, static_cast<uLong>(size)));
    zs.next_in = const_cast<unsigned char*>(in);
    zs.avail_in = static_cast<uInt>(size);
    zs.next_out = out.data();
    zs.avail_out = static_cast<uInt>(out.size());
    const bool done = deflate(&zs, Z_FINISH) == Z_STREAM_END && zs.total_out < size;
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return done;
}

int HighestLevel() { return 9; }

const char* WholeDeflateName() { return "zlib (levels above 9 and max are zlib's 9)"; }

}  // namespace zmpack
