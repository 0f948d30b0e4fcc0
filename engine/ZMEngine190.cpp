// The library's exported entry points.
#include <atomic>
#include <cstring>
#include <new>

#include "engine/ZMEngineApi.h"
#include "engine/extractor.h"
#include "engine/operations.h"
#include "engine/reporter.h"

namespace {

const char kName[] = "ZMEngine190";
const char kBanner[] =
    "ZMEngine190 zip engine 1.9.0.96: extracts and tests stored, deflated, "
    "Zip64 and traditionally encrypted entries";
const char kPath[] = "ZMEngine190";

int32_t Exec(ZECommand* command) {
    std::atomic<bool> abort_flag{false};
    const uint32_t handle = engine::RegisterOperation(&abort_flag);
    command->Handle = handle;
    int32_t result;
    {
        engine::Reporter reporter(*command, handle, abort_flag);
        engine::Extractor extractor(*command, reporter);
        result = extractor.Run();
    }
    engine::UnregisterOperation(handle);
    return result;
}

}  // namespace

extern "C" {

ZM_EXPORT int32_t ZM_STDCALL ZE_Exec(ZECommand* command) {
    if (command == nullptr) return -ZE_ERR_STRUCTURE;
    // No exception may cross into the caller, which may not even be C++.
    try {
        return Exec(command);
    } catch (const std::bad_alloc&) {
        return -ZE_ERR_NO_MEMORY;
    } catch (...) {
        return -ZE_ERR_FATAL;
    }
}

ZM_EXPORT int32_t ZM_STDCALL ZE_Version() { return kZEVersion; }

ZM_EXPORT int32_t ZM_STDCALL ZE_PrivVersion() { return kZEPrivVersion; }

ZM_EXPORT int32_t ZM_STDCALL ZE_Abort(uint32_t handle) {
    return engine::AbortOperation(handle) ? 0 : -1;
}

ZM_EXPORT int32_t ZM_STDCALL ZE_Name(char* buf, int32_t capacity, int32_t zero) {
    if (buf == nullptr || capacity <= 0 || zero != 0) return 0;
    int32_t n = static_cast<int32_t>(sizeof kName) - 1;
    if (n > capacity - 1) n = capacity - 1;
    std::memcpy(buf, kName, static_cast<size_t>(n));
    buf[n] = '\0';
    return n;
}

ZM_EXPORT const char* ZM_STDCALL ZE_Banner() { return kBanner; }

ZM_EXPORT const char* ZM_STDCALL ZE_Path() { return kPath; }

}  // extern "C"
