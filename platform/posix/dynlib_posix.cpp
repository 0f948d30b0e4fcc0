#include <dlfcn.h>

#include "platform/codepage.h"
#include "platform/dynlib.h"

namespace platform {

bool DynLib::Load(const UString& full_path) {
    Free();
    std::string p = WideToUtf8(full_path);
    // A bare name would make dlopen search the library path: only full paths are loaded.
    if (p.find('/') == std::string::npos) {
        last_error_ = 2;
        return false;
    }
    handle_ = dlopen(p.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        last_error_ = 126;  // the module could not be loaded
        return false;
    }
    last_error_ = 0;
    return true;
}

void* DynLib::Symbol(const char* name) const {
    return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

void DynLib::Free() {
    if (handle_ != nullptr) {
        dlclose(handle_);
        handle_ = nullptr;
    }
}

bool HardenLibrarySearch() { return true; }

}  // namespace platform
