// LZ77 expander: whole input as one stream, and again with the limit the input's first byte gives.
#include <string>

#include "tests/fuzz/fuzz_common.h"
#include "zip/ZMExpandLZ77.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kSmallCap) return 0;
    {
        std::string out;
        TZMMemoryInStream in(data, size);
        TZMStringOutStream dest(out);
        ExpandLz77(dest, in, static_cast<int64_t>(size), 4u << 20);
    }
    if (size > 0) {
        std::string out;
        TZMMemoryInStream in(data + 1, size - 1);
        TZMStringOutStream dest(out);
        ExpandLz77(dest, in, data[0] & 0x80 ? -1 : static_cast<int64_t>(data[0]), 4u << 20);
    }
    return 0;
}
