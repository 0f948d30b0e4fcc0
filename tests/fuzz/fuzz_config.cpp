// Package configuration: the first byte picks the XML or the key=value reader.
#include <string>

#include "package/ZMArchiveConfig.h"
#include "tests/fuzz/fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > zmfuzz::kSmallCap) return 0;
    AnsiString text(reinterpret_cast<const char*>(data) + 1, size - 1);
    TZMArchiveConfig config;
    bool ok = (data[0] & 1) ? config.LoadFromXml(text) : config.LoadFromText(text);
    if (ok) {
        config.GetValue("archive_id");
        config.GetValue("langid");
        config.GetValue("");
    }
    return 0;
}
