#pragma once
// Loading a dynamic library by its full path.
#include <cstdint>

#include "platform/types.h"

namespace platform {

class DynLib {
  public:
    DynLib() = default;
    ~DynLib() { Free(); }
    DynLib(const DynLib&) = delete;
    DynLib& operator=(const DynLib&) = delete;

    // Loads the library at this full path, with the system's error boxes suppressed.
    // Never searches the program's folder or the current folder for a bare name.
    bool Load(const UString& full_path);
    void* Symbol(const char* name) const;
    void Free();
    bool IsLoaded() const { return handle_ != nullptr; }
    uint32_t LastError() const { return last_error_; }

  private:
    void* handle_ = nullptr;
    uint32_t last_error_ = 0;
};

// Restricts the process's library search to the system folder (Windows; a no-op elsewhere).
// Returns false when the system lacks the call.
bool HardenLibrarySearch();

}  // namespace platform
