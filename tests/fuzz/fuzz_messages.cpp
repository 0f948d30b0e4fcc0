// Message-table records: the chain walk, then each record expanded and its texts looked up.
#include "tests/fuzz/fuzz_common.h"
#include "zip/ZMMessages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kSmallCap) return 0;
    auto records = ZMListMessageRecords(data, size);
    for (const auto& r : records) {
        TZMMessageTable table;
        if (!table.LoadFromChain(data, size, r.LangId, r.Name)) continue;
        bool found = false;
        for (int id :
             {zmmsg::UnknownError, zmmsg::LoadFailed, zmmsg::ZipOpenFailed, 0, 15, 16, 65535})
            table.WideText(id, found);
        table.Text(zmmsg::EngineErrorBase + 3);
    }
    return 0;
}
