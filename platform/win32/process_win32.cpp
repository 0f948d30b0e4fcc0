#include "platform/win32/wide.h"
#include <objbase.h>

#include <string>

#include "platform/codepage.h"
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
    auto fn = reinterpret_cast<Fn>(
        reinterpret_cast<void*>(GetProcAddress(k, "GetUserDefaultUILanguage")));
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

namespace {

// One argument quoted as the C runtime's parser reads it back.
std::wstring Quote(const std::wstring& a) {
    if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) return a;
    std::wstring out = L"\"";
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        out.append(c == L'"' ? slashes * 2 + 1 : slashes, L'\\');
        slashes = 0;
        out.push_back(c);
    }
    out.append(slashes * 2, L'\\');
    return out + L"\"";
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv, bool quiet, bool& missing) {
    missing = false;
    if (argv.empty()) return -1;
    // Looked up on the PATH only: never a bare name from the program's own folder.
    std::wstring name(reinterpret_cast<const wchar_t*>(Utf8ToWide(argv[0]).c_str()));
    if (name.find(L'.') == std::wstring::npos) name += L".exe";
    wchar_t path[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableW(L"PATH", nullptr, 0);
    std::wstring search(n, L'\0');
    GetEnvironmentVariableW(L"PATH", &search[0], n);
    if (SearchPathW(search.c_str(), name.c_str(), nullptr, MAX_PATH * 2, path, nullptr) == 0) {
        missing = true;
        return -1;
    }
    std::wstring line = Quote(path);
    for (size_t i = 1; i < argv.size(); ++i)
        line += L" " + Quote(reinterpret_cast<const wchar_t*>(Utf8ToWide(argv[i]).c_str()));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE null_out = INVALID_HANDLE_VALUE;
    if (quiet) {
        null_out = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr);
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        si.hStdOutput = null_out;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    const BOOL started =
        CreateProcessW(path, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    if (null_out != INVALID_HANDLE_VALUE) CloseHandle(null_out);
    if (!started) return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

}  // namespace platform
