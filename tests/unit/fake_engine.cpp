// A stand-in for the engine library, built in several variants by loader.cmake so the loader can
// be tested against libraries with chosen versions and exports.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "engine/ZMEngineApi.h"

#ifndef FAKE_VERSION
#define FAKE_VERSION ZM_ENGINE_VERSION
#endif
#ifndef FAKE_PRIV_VERSION
#define FAKE_PRIV_VERSION ZM_ENGINE_BUILD
#endif
#ifndef FAKE_NAME
#define FAKE_NAME "FakeEngine"
#endif

namespace {

uint32_t g_last_abort = 0;

// The planted variant leaves a file in the current folder the moment anything loads it.
struct LoadMarker {
    LoadMarker() {
#ifdef FAKE_MARKER
        if (std::FILE* f = std::fopen(FAKE_MARKER, "ab")) {
            std::fputs("loaded\n", f);
            std::fclose(f);
        }
#endif
    }
} g_marker;

}  // namespace

// The result is chosen by the caller through the record: PasswordReqCount comes back, so tests can
// make the "engine" answer anything. The handle is set as a real engine would.
ZM_EXPORT int32_t ZM_STDCALL ZE_Exec(ZECommand* command) {
    command->Handle = 0x5A;
    return command->Version == kZEVersion ? command->PasswordReqCount : -ZE_ERR_BAD_OPTIONS;
}
ZM_EXPORT int32_t ZM_STDCALL ZE_Version() { return FAKE_VERSION; }
ZM_EXPORT int32_t ZM_STDCALL ZE_PrivVersion() { return FAKE_PRIV_VERSION; }
ZM_EXPORT int32_t ZM_STDCALL ZE_Abort(uint32_t handle) {
    g_last_abort = handle;
    return 0;
}
ZM_EXPORT int32_t ZM_STDCALL ZE_Name(char* buf, int32_t capacity, int32_t zero) {
    if (buf == nullptr || capacity <= 0 || zero != 0) return 0;
    std::strncpy(buf, FAKE_NAME, static_cast<size_t>(capacity) - 1);
    return static_cast<int32_t>(std::strlen(buf));
}
#ifndef FAKE_NO_BANNER
ZM_EXPORT const char* ZM_STDCALL ZE_Banner() { return FAKE_NAME " banner"; }
#endif
ZM_EXPORT const char* ZM_STDCALL ZE_Path() { return FAKE_NAME; }

// For tests only: the last handle ZE_Abort was given.
ZM_EXPORT uint32_t ZM_STDCALL Fake_LastAbort() { return g_last_abort; }
