// The engine extracting (or testing) an archive into a scratch folder. Besides the sanitizers,
// the target checks the promise that matters most: nothing appears outside the destination.
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/fuzz/fuzz_common.h"
#include "tests/unit/engine_driver.h"

namespace {

// Output beyond this many bytes per input stops the operation: deflate expands about a
// thousandfold, and the disk is no part of what is being searched.
constexpr int64_t kOutputCap = 4 << 20;

void RemoveTree(const UString& folder) {
    std::vector<platform::PathInfo> list;
    if (!platform::ListDirectory(folder, list)) return;
    for (const auto& i : list) {
        UString path = folder + i.name;
        if (i.is_dir && !i.is_link) {
            RemoveTree(path + platform::PathDelimiter());
            platform::RemoveDir(path);
        } else {
            platform::RemoveFile(path);
        }
    }
}

struct Scratch {
    UString root, archive, dest;
    Scratch() {
        UString temp = platform::GetTempDirectory();
        for (int i = 0; i < 100000 && root.empty(); ++i) {
            UString candidate = temp + platform::Utf8ToWide("zmfuzz_engine_" + std::to_string(i));
            if (platform::CreateDir(candidate)) root = candidate + platform::PathDelimiter();
        }
        archive = root + u"a.zip";
        dest = root + u"dest" + platform::PathDelimiter();
    }
    ~Scratch() {
        if (root.empty()) return;
        RemoveTree(root);
        platform::RemoveDir(root);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > zmfuzz::kSmallCap) return 0;
    static Scratch scratch;
    if (scratch.root.empty()) return 0;
    {
        platform::FileStream f;
        if (!f.Open(scratch.archive, platform::FileStream::Mode::CreateAlways)) return 0;
        if (size > 1 && !f.Write(data + 1, size - 1)) return 0;
        if (!f.Close()) return 0;
    }
    platform::CreateDir(scratch.dest.substr(0, scratch.dest.size() - 1));
    enginetest::Driver driver;
    if (data[0] & 1) driver.options = kZEOptAlways | kZEOptTest;
    if (data[0] & 2) driver.options &= ~static_cast<uint32_t>(kZEOptDirNames);
    driver.password = "secret";
    int64_t written = 0;
    driver.progress_hook = [&written](ZECallbackInfo& info) {
        if (info.Kind == ZE_PR_PROGRESS) written += info.Amount;
        return written > kOutputCap ? 1 : 0;
    };
    driver.Run(scratch.archive, scratch.dest);
    // Only the archive and the destination may exist in the scratch folder.
    std::vector<platform::PathInfo> list;
    platform::ListDirectory(scratch.root, list);
    for (const auto& i : list)
        if (i.name != u"a.zip" && i.name != u"dest") std::abort();
    RemoveTree(scratch.dest);
    return 0;
}
