// wide.h brings windows.h, which shellapi.h needs first.
#include "platform/win32/wide.h"

#include <shellapi.h>

#include "platform/codepage.h"
#include "platform/console.h"

namespace platform {

std::vector<UString> CommandLineArguments(int argc, char** argv) {
    std::vector<UString> args;
    int n = 0;
    LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
    if (w != nullptr) {
        for (int i = 0; i < n; ++i) args.push_back(U(w[i]));
        LocalFree(w);
        return args;
    }
    for (int i = 0; i < argc; ++i) args.push_back(AnsiToWide(argv[i]));
    return args;
}

bool GetEnvironmentText(const char* name, UString& out) {
    UString wname = AnsiToWide(name);
    DWORD n = GetEnvironmentVariableW(W(wname), nullptr, 0);
    if (n == 0) return false;
    std::wstring buf(n, L'\0');
    DWORD m = GetEnvironmentVariableW(W(wname), &buf[0], n);
    if (m >= n) return false;
    out = U(buf.c_str(), m);
    return true;
}

bool SetEnvironmentText(const char* name, const UString& value, bool unset) {
    return SetEnvironmentVariableW(W(AnsiToWide(name)), unset ? nullptr : W(value)) != 0;
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void UseUtf8ConsoleOutput() { SetConsoleOutputCP(CP_UTF8); }

}  // namespace platform
