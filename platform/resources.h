#pragma once
// Raw data resources (RCDATA) of the program's own file. Windows: FindResource/LoadResource.
// Elsewhere the build links the same bytes into the program and registers them by name.
#include <cstddef>

namespace platform {

struct RcData {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

// Names are matched without regard to case. False when the program has no such resource.
bool FindRcData(const char* name, RcData& out);

// Tests put other bytes under a name (data == nullptr removes the override again).
void OverrideRcData(const char* name, const unsigned char* data, size_t size);

// Used by the generated resource table of a program (not on Windows).
class RcDataRegistrar {
  public:
    RcDataRegistrar(const char* name, const unsigned char* data, size_t size);
};

}  // namespace platform
