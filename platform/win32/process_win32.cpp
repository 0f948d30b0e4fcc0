#include "platform/win32/wide.h"
#include <objbase.h>

#include <cstdio>
#include <string>

#include "platform/process.h"

namespace platform {

UString GetExeName() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, &buf[0], static_cast<DWORD>(buf.size()));
        if (n == 0) return UString();
        if (n < buf.size()) return U(buf.c_str(), n);
        if (buf.size() >= 32768) return UString();
        buf.resize(buf.size() * 2);
    }
}

bool CreateGuidText(AnsiString& out) {
    GUID g;
    if (FAILED(CoCreateGuid(&g))) return false;
    char text[40];
    std::snprintf(text, sizeof(text),
                  "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned long>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
                  g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    out = text;
    return true;
}

AnsiString UserUILanguageIso639() {
    // Looked up at run time: older systems lack GetUserDefaultUILanguage.
    HMODULE k = LoadLibraryW(L"kernel32.dll");
    if (k == nullptr) return AnsiString();
    AnsiString result;
    using Fn = LANGID(WINAPI*)();
    auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(k, "GetUserDefaultUILanguage")));
    if (fn != nullptr) {
        char buf[21] = {0};
        if (GetLocaleInfoA(MAKELCID(fn(), SORT_DEFAULT), 89 /* LOCALE_SISO639LANGNAME */, buf,
                           19) == 0) {
            buf[0] = '\0';
        }
        result = buf;
    }
    FreeLibrary(k);
    return result;
}

}  // namespace platform
