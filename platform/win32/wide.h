#pragma once
// UTF-16 strings of the program as the system's wide strings (wchar_t is 16 bits on Windows).
#include <windows.h>

#include "platform/types.h"

namespace platform {
inline const wchar_t* W(const UString& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline UString U(const wchar_t* s) { return UString(reinterpret_cast<const char16_t*>(s)); }
inline UString U(const wchar_t* s, size_t n) {
    return UString(reinterpret_cast<const char16_t*>(s), n);
}
// The \\?\ form of a path that is too long for the classic API (relative paths are made full).
UString ExtendedPath(const UString& path);
}  // namespace platform
