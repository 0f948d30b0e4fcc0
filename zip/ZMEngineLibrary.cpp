#include "zip/ZMEngineLibrary.h"

#include <cstring>

#include "platform/codepage.h"

namespace {

template <typename Fn>
Fn Entry(const platform::DynLib& lib, const char* name) {
    return reinterpret_cast<Fn>(lib.Symbol(name));
}

}  // namespace

TZMEngineLibrary::Outcome TZMEngineLibrary::Open(const UString& path) {
    Free();
    last_error_ = 0;
    old_name_.clear();
    if (path.empty() || !module_.Load(path)) {
        last_error_ = path.empty() ? 2 : module_.LastError();
        Clear();
        return Outcome::NotLoaded;
    }
    // Each entry point only when the one before it is there, as the library's contract lists them.
    ZE_VersionFunc version = nullptr;
    ZE_PrivVersionFunc priv_version = nullptr;
    ZE_NameFunc name_of = nullptr;
    ZE_BannerFunc banner = nullptr;
    if ((exec_ = Entry<ZE_ExecFunc>(module_, "ZE_Exec")) &&
        (version = Entry<ZE_VersionFunc>(module_, "ZE_Version")) &&
        (priv_version = Entry<ZE_PrivVersionFunc>(module_, "ZE_PrivVersion")) &&
        (abort_ = Entry<ZE_AbortFunc>(module_, "ZE_Abort")) &&
        (name_of = Entry<ZE_NameFunc>(module_, "ZE_Name")) &&
        (banner = Entry<ZE_BannerFunc>(module_, "ZE_Banner"))) {
        priv_version_ = priv_version();
        version_ = version();
        char name[kZENameCapacity + 1];
        std::memset(name, 0, sizeof(name));
        name_of(name, kZENameCapacity, 0);
        name[kZENameCapacity] = '\0';
        dll_name_ = name;
        const char* text = banner();
        banner_ = text != nullptr ? AnsiString(text, strnlen(text, 1024)) : AnsiString();
    }
    if (version_ != kVersion || priv_version_ < kMinPrivVersion) {
        old_name_ = dll_name_.empty() ? platform::WideToAnsi(path) : dll_name_;
        Free();
        return Outcome::OldOrCorrupt;
    }
    return Outcome::Loaded;
}

void TZMEngineLibrary::Free() {
    module_.Free();
    Clear();
}

void TZMEngineLibrary::Clear() {
    exec_ = nullptr;
    abort_ = nullptr;
    version_ = 0;
    priv_version_ = 0;
    banner_.clear();
    dll_name_.clear();
}
