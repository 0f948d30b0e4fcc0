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

bool WriteToParentConsole(const UString& text) {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE) {
        const DWORD type = GetFileType(out);
        if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
            const std::string utf8 = WideToUtf8(text);
            DWORD n = 0;
            return WriteFile(out, utf8.data(), static_cast<DWORD>(utf8.size()), &n, nullptr) &&
                   n == utf8.size();
        }
    }
    // A GUI program has no console; the one it was started from is borrowed, never a new one.
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    HANDLE con =
        CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    bool ok = false;
    if (con != INVALID_HANDLE_VALUE) {
        DWORD n = 0;
        ok = WriteConsoleW(con, W(text), static_cast<DWORD>(text.size()), &n, nullptr) != 0;
        CloseHandle(con);
    }
    FreeConsole();
    return ok;
}

}  // namespace platform
