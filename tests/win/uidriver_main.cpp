// uidriver: drives another program's windows from a script.
//   uidriver <command> [args] [-- <command> [args]]...
// Commands (a control is "#id", "=text" or a class name, see uidriver.h):
//   wait <caption> [ms]            wait for the window (default 20000 ms)
//   gone <caption> [ms]            wait until it has closed
//   describe <caption>             list its controls
//   text <caption> <control>       print the control's text
//   expect <caption> <control> <text>   fail unless the control shows exactly this text
//   click <caption> <control>      press a button
//   pick <caption> <control> <n>   select item n of a combo box
//   settext <caption> <control> <text>
//   enter <caption> [control]      press Enter (in the control, else in the window)
//   altf4 <caption>                press Alt+F4
//   close <caption>                the close box
//   sleep <ms>
// Output is UTF-8. Exit code 0 when every command succeeded, else 1 (the failing one says why).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/uidriver.h"

namespace {

void Print(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n,
                        nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

bool Fail(const std::wstring& why) {
    Print(L"uidriver: " + why + L"\n");
    return false;
}

bool Run(const std::vector<std::wstring>& a) {
    if (a.empty()) return Fail(L"empty command");
    const std::wstring& cmd = a[0];
    auto arg = [&](size_t i) { return i < a.size() ? a[i] : std::wstring(); };
    if (cmd == L"sleep") {
        Sleep(static_cast<DWORD>(_wtoi(arg(1).c_str())));
        return true;
    }
    const int wait_ms =
        (cmd == L"wait" || cmd == L"gone") && a.size() > 2 ? _wtoi(arg(2).c_str()) : 20000;
    HWND top = uidriver::WaitWindow(arg(1), cmd == L"gone" ? 0 : wait_ms);
    if (cmd == L"gone") {
        return top == nullptr || uidriver::WaitGone(top, wait_ms) ? true
                                                                  : Fail(L"still open: " + arg(1));
    }
    if (top == nullptr) return Fail(L"no window \"" + arg(1) + L"\"");
    if (cmd == L"wait") return true;
    if (cmd == L"describe") {
        Print(uidriver::Describe(top));
        return true;
    }
    if (cmd == L"altf4") {
        uidriver::PressAltF4(top);
        return true;
    }
    if (cmd == L"close") {
        uidriver::CloseWindow(top);
        return true;
    }
    if (cmd == L"enter" && a.size() < 3) {
        uidriver::PressEnter(GetFocus() != nullptr ? GetFocus() : top);
        return true;
    }
    HWND control = uidriver::Find(top, arg(2));
    if (control == nullptr) return Fail(L"no control " + arg(2) + L" in \"" + arg(1) + L"\"");
    if (cmd == L"text") {
        Print(uidriver::Text(control) + L"\n");
        return true;
    }
    if (cmd == L"expect") {
        // Waited for: a text may be set a moment after the window appears.
        std::wstring got = uidriver::Text(control);
        for (int waited = 0; got != arg(3) && waited < wait_ms; waited += 50) {
            Sleep(50);
            got = uidriver::Text(control);
        }
        return got == arg(3) ? true : Fail(L"control " + arg(2) + L" shows \"" + got + L"\"");
    }
    if (cmd == L"click") {
        uidriver::Click(control);
        return true;
    }
    if (cmd == L"pick") {
        return uidriver::PickItem(control, _wtoi(arg(3).c_str())) ? true
                                                                  : Fail(L"no item " + arg(3));
    }
    if (cmd == L"settext") {
        uidriver::SetText(control, arg(3));
        return true;
    }
    if (cmd == L"enter") {
        uidriver::PressEnter(control);
        return true;
    }
    return Fail(L"unknown command " + cmd);
}

}  // namespace

int main() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr) return 1;
    std::vector<std::wstring> command;
    bool ok = true;
    for (int i = 1; i <= argc && ok; ++i) {
        if (i == argc || std::wstring(argv[i]) == L"--") {
            if (!command.empty()) ok = Run(command);
            command.clear();
        } else {
            command.push_back(argv[i]);
        }
    }
    LocalFree(argv);
    return ok ? 0 : 1;
}
