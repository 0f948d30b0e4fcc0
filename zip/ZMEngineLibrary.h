#pragma once
// TZMEngineLibrary: one loaded engine library and its entry points. It opens a library by its
// full path only, looks up ZE_Exec, ZE_Version, ZE_PrivVersion, ZE_Abort, ZE_Name, ZE_Banner
// (and ZE_Path), and keeps it only when ZE_Version is 190 and ZE_PrivVersion 1900095 or above.
#include <cstdint>

#include "engine/ZMEngineApi.h"
#include "platform/dynlib.h"
#include "platform/types.h"

class TZMEngineLibrary {
  public:
    static constexpr int32_t kVersion = kZEVersion;
    static constexpr int32_t kMinPrivVersion = 1900095;

    enum class Outcome { Loaded, NotLoaded, OldOrCorrupt };

    // Frees what is loaded, then loads the library at path. NotLoaded: the system did not load
    // it (LastError says why; 2 for an empty path). OldOrCorrupt: loaded but an entry point is
    // missing or a version is wrong; it is freed again and OldName() names it.
    Outcome Open(const UString& path);
    void Free();
    bool IsLoaded() const { return module_.IsLoaded(); }

    int32_t Exec(ZECommand* command) const { return exec_ != nullptr ? exec_(command) : -1; }
    void Abort(uint32_t handle) const {
        if (abort_ != nullptr) abort_(handle);
    }

    int32_t Version() const { return version_; }
    int32_t PrivVersion() const { return priv_version_; }
    const AnsiString& DllName() const { return dll_name_; }
    const AnsiString& Banner() const { return banner_; }
    uint32_t LastError() const { return last_error_; }
    // The name a refused library reported of itself, or its path when it reported none.
    const AnsiString& OldName() const { return old_name_; }

  private:
    void Clear();

    platform::DynLib module_;
    ZE_ExecFunc exec_ = nullptr;
    ZE_AbortFunc abort_ = nullptr;
    int32_t version_ = 0;
    int32_t priv_version_ = 0;
    AnsiString dll_name_;
    AnsiString banner_;
    AnsiString old_name_;
    uint32_t last_error_ = 0;
};
