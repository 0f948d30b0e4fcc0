// Extracts one archive with the engine, as the installer would (folders recreated, every file
// checked), and prints the time and throughput. Usage: engine_bench ARCHIVE DEST_FOLDER
// DEST_FOLDER must exist and should be fresh (see the benchmarking notes on reusing folders).
#include <chrono>
#include <cstdio>
#include <cstring>

#include "engine/ZMEngineApi.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

struct Totals {
    int64_t bytes = 0;
    int64_t skips = 0;
};

int32_t ZM_STDCALL OnFile(ZECallbackInfo* info) {
    if (info->Kind == ZE_CB_SKIPPED) {
        ++static_cast<Totals*>(info->Caller)->skips;
        std::fprintf(stderr, "skipped %s (type %d, error %d)\n", info->NameUtf8, info->Code,
                     info->Answer);
    } else if (info->Kind == ZE_CB_MESSAGE && info->Code != 0) {
        std::fprintf(stderr, "message %d: %s\n", info->Code, info->Text);
    }
    return 0;
}

int32_t ZM_STDCALL OnProgress(ZECallbackInfo* info) {
    if (info->Kind == ZE_PR_PROGRESS) static_cast<Totals*>(info->Caller)->bytes += info->Amount;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: engine_bench ARCHIVE DEST_FOLDER\n");
        return 2;
    }
    Totals totals;
    ZECommand cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.Caller = &totals;
    cmd.Version = kZEVersion;
    cmd.FileCallback = &OnFile;
    cmd.ProgressCallback = &OnProgress;
    cmd.ArchivePathUtf8 = argv[1];
    cmd.BaseDirUtf8 = argv[2];
    cmd.Options = kZEOptAlways | kZEOptExtract | kZEOptDirNames | kZEOptOverwrite;
    cmd.Check = kZECommandCheck;
    auto start = std::chrono::steady_clock::now();
    int32_t r = ZE_Exec(&cmd);
    double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("files %d  bytes %lld  skipped %lld  %.3f s  %.1f MB/s\n", r,
                static_cast<long long>(totals.bytes), static_cast<long long>(totals.skips), s,
                s > 0 ? totals.bytes / s / 1e6 : 0.0);
    return r < 0 ? 1 : 0;
}
