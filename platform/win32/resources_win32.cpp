#include "platform/hooks.h"
#include "platform/resources.h"
#include "platform/win32/wide.h"

namespace platform {

bool FindRcData(const char* name, RcData& out) {
    if (detail::HasOverride(name)) return detail::FindOverride(name, out, false);
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC r = FindResourceA(self, name, MAKEINTRESOURCEA(10) /* RT_RCDATA */);
    if (r == nullptr) return false;
    HGLOBAL g = LoadResource(self, r);
    if (g == nullptr) return false;
    out.data = static_cast<const unsigned char*>(LockResource(g));
    out.size = SizeofResource(self, r);
    return out.data != nullptr;
}

}  // namespace platform
