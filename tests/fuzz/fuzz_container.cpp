// Container scan and block chain: the header search, the record walk, block reads and CRC checks.
// The container reads a named file, so each input goes through one scratch file per process.
#include <string>

#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

struct Scratch {
    UString path;
    Scratch() {
        UString temp = platform::GetTempDirectory();
        // A name no other process of this run holds: the first one that can be created anew.
        for (int i = 0; i < 100000 && path.empty(); ++i) {
            UString candidate =
                temp + platform::Utf8ToWide("zmfuzz_container_" + std::to_string(i) + ".bin");
            platform::FileStream f;
            if (f.Open(candidate, platform::FileStream::Mode::CreateNew)) path = candidate;
        }
        TZMContainerFile::SetSleepHook([](unsigned) {});
    }
    ~Scratch() {
        if (!path.empty()) platform::RemoveFile(path);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The header search covers 8 MiB; inputs that large are mostly zeros and add nothing.
    if (size > zmfuzz::kLargeCap) return 0;
    static Scratch scratch;
    if (scratch.path.empty()) return 0;
    {
        platform::FileStream f;
        if (!f.Open(scratch.path, platform::FileStream::Mode::CreateAlways)) return 0;
        if (size > 0 && !f.Write(data, size)) return 0;
        if (!f.Close()) return 0;
    }
    TZMContainerFile container;
    if (!container.Open(scratch.path)) return 0;
    for (const auto& block : container.Blocks) {
        AnsiString bytes = container.ReadBlock(block->BlockName);
        (void)bytes;
        container.VerifyBlock(block->BlockName, true, [](int, bool&) {});
        container.IndexOfBlock(block->BlockName);
    }
    return 0;
}
