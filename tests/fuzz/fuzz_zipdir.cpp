// The archive's directory from memory: end records, every central entry, every local header.
#include "engine/zipformat.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kLargeCap) return 0;
    zipformat::MemorySource source(data, size);
    zipformat::ZipDirectory dir;
    if (!dir.Open(&source)) return 0;
    zipformat::ZipEntry entry;
    // Next never reads past the recorded count, so the walk ends by itself.
    while (dir.Next(entry)) {
        int64_t pos = 0;
        std::string why;
        dir.LocateData(entry, pos, why);
        entry.IsDirectory();
        entry.IsSymlink();
        entry.ReadOnly();
        zipformat::DecodeDosTime(entry.dos_date, entry.dos_time);
    }
    return 0;
}
