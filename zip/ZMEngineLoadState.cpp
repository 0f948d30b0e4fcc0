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
ZM_LOADER_GETTER(int32_t, Version, Library.Version())
ZM_LOADER_GETTER(int32_t, PrivVersion, Library.PrivVersion())
ZM_LOADER_GETTER(AnsiString, DllName, Library.DllName())
ZM_LOADER_GETTER(AnsiString, Banner, Library.Banner())
ZM_LOADER_GETTER(AnsiString, TempDllPath, platform::WideToAnsi(Copy.Path()))
ZM_LOADER_GETTER(UString, TempFolder, Copy.Folder())
ZM_LOADER_GETTER(uint32_t, LastError, Library.LastError())
ZM_LOADER_GETTER(bool, IsLoaded, Library.IsLoaded())
#undef ZM_LOADER_GETTER
