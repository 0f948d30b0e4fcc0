#include "platform/win32/wide.h"
#include <objbase.h>

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
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hexadecimal digits. The system's
    // formatter spares the program the C library's printf.
    wchar_t text[40];
    const int n = StringFromGUID2(g, text, 40);
    if (n <= 1) return false;
    out.assign(text, text + n - 1);
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
