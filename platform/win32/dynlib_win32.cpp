#include "platform/dynlib.h"
#include "platform/win32/wide.h"

namespace platform {

bool DynLib::Load(const UString& full_path) {
    Free();
    // Only full paths: a bare name would be searched for in the program's folder first.
    if (full_path.find_first_of(u"\\/") == UString::npos) {
        last_error_ = ERROR_MOD_NOT_FOUND;
        return false;
    }
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    HMODULE h = LoadLibraryExW(W(full_path), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    last_error_ = h == nullptr ? GetLastError() : 0;
    SetErrorMode(old);
    handle_ = reinterpret_cast<void*>(h);
    return h != nullptr;
}

void* DynLib::Symbol(const char* name) const {
    if (handle_ == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

void DynLib::Free() {
    if (handle_ != nullptr) {
        FreeLibrary(static_cast<HMODULE>(handle_));
        handle_ = nullptr;
    }
}

bool HardenLibrarySearch() {
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    if (k == nullptr) return false;
    using Fn = BOOL(WINAPI*)(DWORD);
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(k, "SetDefaultDllDirectories")));
    if (fn == nullptr) return false;
    return fn(0x00000800 /* LOAD_LIBRARY_SEARCH_SYSTEM32 */) != 0;
}

}  // namespace platform
