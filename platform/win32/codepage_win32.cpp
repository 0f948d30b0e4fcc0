#include "platform/codepage.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

UString PageToWide(UINT page, const std::string& s) {
    if (s.empty()) return UString();
    int n = MultiByteToWideChar(page, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return UString();
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(page, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return U(w.c_str(), w.size());
}

UString MapCase(const UString& s, bool upper) {
    std::wstring w(reinterpret_cast<const wchar_t*>(s.data()), s.size());
    if (!w.empty()) {
        if (upper) {
            CharUpperBuffW(&w[0], static_cast<DWORD>(w.size()));
        } else {
            CharLowerBuffW(&w[0], static_cast<DWORD>(w.size()));
        }
    }
    return U(w.c_str(), w.size());
}

}  // namespace

unsigned SystemCodePage() { return GetACP(); }
unsigned OemCodePage() { return GetOEMCP(); }

AnsiString WideToAnsi(const UString& s) {
    if (s.empty()) return AnsiString();
    // No best-fit mapping: a character the code page lacks becomes '?', never a look-alike.
    const DWORD flags = WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(CP_ACP, flags, W(s), static_cast<int>(s.size()), nullptr, 0,
                                nullptr, nullptr);
    if (n <= 0) return AnsiString();
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, W(s), static_cast<int>(s.size()), &a[0], n, nullptr,
                        nullptr);
    return a;
}

UString AnsiToWide(const AnsiString& s) { return PageToWide(CP_ACP, s); }

bool WideToAnsiExact(const UString& s, AnsiString& out) {
    if (s.empty()) {
        out.clear();
        return true;
    }
    UINT cp = GetACP();
    if (cp == CP_UTF8) {
        for (char16_t c : s)
            if (c == 0xFFFD) return false;
        out = WideToUtf8(s);
        return true;
    }
    BOOL used_default = FALSE;
    int n = WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, W(s), static_cast<int>(s.size()), nullptr,
                                0, nullptr, &used_default);
    if (n <= 0 || used_default) return false;
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, WC_NO_BEST_FIT_CHARS, W(s), static_cast<int>(s.size()), &a[0], n,
                        nullptr, &used_default);
    if (used_default) return false;
    // The round trip must give the same text back (catches mappings the flag lets through).
    if (PageToWide(cp, a) != s) return false;
    out = a;
    return true;
}

UString OemToWide(const std::string& s) { return PageToWide(CP_OEMCP, s); }

UString WideUpper(const UString& s) { return MapCase(s, true); }
UString WideLower(const UString& s) { return MapCase(s, false); }

bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out) {
    if (!IsValidCodePage(code_page)) return false;
    if (bytes.empty()) {
        out.clear();
        return true;
    }
    // Larger texts than an int can count are no documents we read; refuse rather than cut.
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int len = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(code_page, 0, bytes.data(), len, nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(code_page, 0, bytes.data(), len, &w[0], n) != n) return false;
    out = U(w.c_str(), w.size());
    return true;
}

}  // namespace platform
