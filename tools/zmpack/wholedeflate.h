#pragma once
// Raw deflate of an entry held whole in memory: libdeflate (levels 1-12; its streams are smaller
// than zlib's at the same speed) and, for the release level, Zopfli, natively and in zmpack.exe
// alike (the same bytes on both); where those libraries are not built it is zlib, whose levels
// stop at 9.
#include <cstddef>
#include <vector>

namespace zmpack {

// The release level: the smallest stream the packer can make, at any cost in time.
constexpr int kLevelMax = 13;
// The default, chosen from measurements on the "mixed" benchmark corpus (208 MB, two threads):
// libdeflate's 7 writes what zlib's 6 did (106.6 MB) in the same time; its 8 is as small as
// zlib's 9 but slower than it.
constexpr int kDefaultLevel = 7;

// Deflates in[0..size) at level (1-12, or kLevelMax) into out; false when the stream would not
// be smaller than the input (the entry is then stored) or the compressor failed. The same input
// and level always give the same bytes.
bool DeflateWhole(const unsigned char* in, size_t size, int level, std::vector<unsigned char>& out);
// The highest level that differs from a lower one with this build's compressor.
int HighestLevel();
// Which compressor this build has, for --help.
const char* WholeDeflateName();

}  // namespace zmpack
