#include "platform/sysdirs.h"
#include "platform/win32/wide.h"

namespace platform {

UString SystemLibraryFolder() {
    wchar_t buf[MAX_PATH + 1];
    UINT n = GetSystemDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return UString();
    UString s = U(buf, n);
    while (s.size() > 3 && (s.back() == u'\\' || s.back() == u'/')) s.pop_back();
    return s;
}

const char* SharedLibraryExtension() { return ".dll"; }

bool CreatePrivateDirectory(const UString& path) {
    // The folder inherits the protection of its parent (the user's own temporary folder);
    // CreateDirectory fails on anything that exists.
    return !path.empty() && CreateDirectoryW(W(ExtendedPath(path)), nullptr) != 0;
}

UString GetCurrentDir() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    if (n == 0) return UString();
    std::wstring buf(n, L'\0');
    DWORD m = GetCurrentDirectoryW(n, &buf[0]);
    if (m == 0 || m >= n) return UString();
    UString s = U(buf.c_str(), m);
    if (s.size() > 3 && (s.back() == u'\\' || s.back() == u'/')) s.pop_back();
    return s;
}

bool SetCurrentDir(const UString& path) { return SetCurrentDirectoryW(W(path)) != 0; }

}  // namespace platform
