// LZMA entries and solid chains from memory: every entry of such a method located and decoded in
// directory order, as the engine reads them, with the output of one input capped.
#include <vector>

#include "engine/solidreader.h"
#include "engine/zipformat.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kSmallCap) return 0;
    zipformat::MemorySource source(data, size);
    zipformat::ZipDirectory dir;
    if (!dir.Open(&source)) return 0;
    engine::SolidReader reader(source, dir.End());
    std::vector<uint8_t> out(64 * 1024);
    size_t budget = 16u << 20;  // output bytes for the whole input
    zipformat::ZipEntry entry;
    while (dir.Next(entry) && budget > 0) {
        if (!engine::SolidReader::Handles(entry.method)) continue;
        int64_t pos = 0;
        std::string why;
        if (dir.LocateData(entry, pos, why) != 0 || reader.Begin(entry, pos, why) != 0) continue;
        uint64_t left = entry.size;
        while (left > 0 && budget > 0) {
            size_t n = 0;
            if (reader.Read(out.data(), out.size(), n, why) != 0 || n == 0) break;
            left -= n;
            budget -= std::min(budget, n);
        }
        if (left == 0) reader.End(why);
    }
    return 0;
}
