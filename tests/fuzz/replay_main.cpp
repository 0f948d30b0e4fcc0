// Feeds every file of the given corpus folders to the target once, so that ordinary builds
// (GCC, MinGW) keep the fuzz targets compiling and the corpus free of regressions.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

bool ReadAll(const UString& path, std::string& out) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) return false;
    int64_t size = f.Size();
    if (size < 0) return false;
    out.resize(static_cast<size_t>(size));
    return size == 0 || f.ReadExact(&out[0], out.size());
}

}  // namespace

int main(int argc, char** argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        UString folder = platform::Utf8ToWide(argv[i]);
        if (!folder.empty() && !platform::IsPathDelimiter(folder.back()))
            folder += platform::PathDelimiter();
        std::vector<platform::PathInfo> list;
        if (!platform::ListDirectory(folder, list)) {
            std::fprintf(stderr, "cannot list %s\n", argv[i]);
            return 2;
        }
        for (const auto& entry : list) {
            if (entry.is_dir) continue;
            std::string bytes;
            if (!ReadAll(folder + entry.name, bytes)) {
                std::fprintf(stderr, "cannot read %s\n", platform::WideToUtf8(entry.name).c_str());
                return 2;
            }
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++files;
        }
    }
    std::printf("replayed %d inputs\n", files);
    // An empty corpus proves nothing; treat it as a broken setup.
    return files > 0 ? 0 : 1;
}
