// The loader's state as its diagnostics and the tests read it, apart from the loading itself:
// a program that asks for none of it does not carry it.
#include <mutex>

#include "platform/codepage.h"
#include "zip/ZMEngineLoad.h"

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;
}  // namespace

int32_t TZMEngineLoader::LoadVersion(TZMLoaderClient* client) {
    return Load(client) >= 1 ? Version() : 0;
}

bool TZMEngineLoader::IsLoadedFor(TZMLoaderClient* client) {
    Guard g(Lock);
    const Pair* p = client != nullptr ? FindClient(client) : nullptr;
    return p != nullptr && p->second > 0;
}

#define ZM_LOADER_GETTER(type, name, field) \
    type TZMEngineLoader::name() {          \
        Guard g(Lock);                      \
        return field;                       \
    }
ZM_LOADER_GETTER(int32_t, ResourceVersion, ResourceVersion_)
ZM_LOADER_GETTER(int32_t, Version, Version_)
ZM_LOADER_GETTER(int32_t, PrivVersion, PrivVersion_)
ZM_LOADER_GETTER(AnsiString, DllName, DllName_)
ZM_LOADER_GETTER(AnsiString, Banner, Banner_)
ZM_LOADER_GETTER(AnsiString, TempDllPath, platform::WideToAnsi(TempDllPath_))
ZM_LOADER_GETTER(UString, TempFolder, TempFolder_)
ZM_LOADER_GETTER(uint32_t, LastError, LastError_)
ZM_LOADER_GETTER(bool, IsLoaded, Module.IsLoaded())
#undef ZM_LOADER_GETTER
