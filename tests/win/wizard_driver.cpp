// wizard_driver: drives the installer's windows from outside, one step per call, for the Wine
// end-to-end runs (scripts/demo, tests/win/*.sh). Windows are found by the start of their title,
// controls by their control id or by class and caption. Every waiting step has a time limit; a
// step that cannot be done prints why and exits with 1.
//
//   wait TITLE [MS]               a visible top-level window whose title starts with TITLE
//   gone TITLE [MS]               no such window any more
//   title TITLE                   the full title
//   rect TITLE                    "x y w h" of the window on the screen
//   client TITLE                  "x y w h" of its client area on the screen
//   click TITLE ID                press a button (or toggle a check box) by control id
//   press TITLE CAPTION           press the button with this caption (message boxes, dialogs)
//   text TITLE ID                 a control's text; ID 0: every static text of a message box
//   state TITLE ID                "visible enabled" as 0/1 pairs
//   pos TITLE ID                  a progress bar's position
//   checked TITLE ID              1 when the check box is ticked
//   waitpos TITLE ID MIN [MS]     until the progress bar reaches MIN
//   waitstate TITLE ID V E [MS]   until the control is visible V and enabled E (0/1, - any)
//   pick TITLE PREFIX             select the combo box item that starts with PREFIX
// Texts are printed as UTF-8.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Widen(const char* s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s, -1, &w[0], n);
    w.resize(wcslen(w.c_str()));
    return w;
}

std::string Narrow(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
    s.resize(strlen(s.c_str()));
    return s;
}

std::wstring TextOf(HWND h) {
    wchar_t buf[4096] = {0};
    SendMessageTimeoutW(h, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {0};
    GetClassNameW(h, buf, 256);
    return buf;
}

HWND FindTop(const std::wstring& prefix) {
    struct Search {
        std::wstring prefix;
        HWND found = nullptr;
    } s{prefix, nullptr};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (!IsWindowVisible(h)) return TRUE;
            wchar_t buf[1024] = {0};
            GetWindowTextW(h, buf, 1024);
            if (std::wstring(buf).compare(0, s->prefix.size(), s->prefix) == 0) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::vector<HWND> Children(HWND top) {
    std::vector<HWND> out;
    EnumChildWindows(
        top,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

HWND FindId(HWND top, int id) {
    for (HWND h : Children(top)) {
        if (GetDlgCtrlID(h) == id) return h;
    }
    return nullptr;
}

[[noreturn]] void Fail(const std::string& why) {
    std::fprintf(stderr, "wizard_driver: %s\n", why.c_str());
    std::exit(1);
}

HWND Top(const std::wstring& title) {
    HWND h = FindTop(title);
    if (h == nullptr) Fail("no window \"" + Narrow(title) + "\"");
    return h;
}

HWND Control(const std::wstring& title, int id) {
    HWND h = FindId(Top(title), id);
    if (h == nullptr) Fail("no control " + std::to_string(id) + " in \"" + Narrow(title) + "\"");
    return h;
}

bool Usable(HWND h) { return IsWindowVisible(h) && IsWindowEnabled(h); }

// A click as the control's parent sees it: the command notification, posted so that a handler
// that opens a modal box does not hold the driver.
void Press(HWND h) {
    if (!Usable(h)) Fail("control " + std::to_string(GetDlgCtrlID(h)) + " is hidden or disabled");
    LONG style = GetWindowLongW(h, GWL_STYLE);
    if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX || (style & BS_TYPEMASK) == BS_CHECKBOX) {
        LRESULT now = SendMessageW(h, BM_GETCHECK, 0, 0);
        SendMessageW(h, BM_SETCHECK, now == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    if (ClassOf(GetParent(h)) == L"#32770") {
        // System dialogs (message boxes) handle their buttons themselves.
        PostMessageW(h, BM_CLICK, 0, 0);
        return;
    }
    PostMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), BN_CLICKED),
                 reinterpret_cast<LPARAM>(h));
}

template <typename F>
bool Until(int ms, F done) {
    for (int waited = 0;; waited += 50) {
        if (done()) return true;
        if (waited >= ms) return false;
        Sleep(50);
    }
}

int Arg(int argc, char** argv, int i, int fallback) {
    return i < argc ? std::atoi(argv[i]) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) Fail("usage: wizard_driver STEP TITLE [ARGS]");
    const std::string step = argv[1];
    const std::wstring title = Widen(argv[2]);
    if (step == "wait") {
        if (!Until(Arg(argc, argv, 3, 30000), [&] { return FindTop(title) != nullptr; })) {
            Fail("timed out waiting for \"" + std::string(argv[2]) + "\"");
        }
    } else if (step == "gone") {
        if (!Until(Arg(argc, argv, 3, 30000), [&] { return FindTop(title) == nullptr; })) {
            Fail("\"" + std::string(argv[2]) + "\" is still there");
        }
    } else if (step == "title") {
        std::printf("%s\n", Narrow(TextOf(Top(title))).c_str());
    } else if (step == "rect") {
        RECT r;
        GetWindowRect(Top(title), &r);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (step == "client") {
        HWND h = Top(title);
        RECT r;
        GetClientRect(h, &r);
        POINT p = {0, 0};
        ClientToScreen(h, &p);
        std::printf("%ld %ld %ld %ld\n", p.x, p.y, r.right, r.bottom);
    } else if (step == "click" && argc >= 4) {
        Press(Control(title, std::atoi(argv[3])));
    } else if (step == "press" && argc >= 4) {
        const std::wstring caption = Widen(argv[3]);
        HWND target = nullptr;
        for (HWND h : Children(Top(title))) {
            std::wstring t = TextOf(h);
            std::wstring plain;
            for (wchar_t c : t) {
                if (c != L'&') plain += c;
            }
            if (ClassOf(h) == L"Button" && plain == caption && Usable(h)) target = h;
        }
        if (target == nullptr) Fail("no button \"" + std::string(argv[3]) + "\"");
        Press(target);
    } else if (step == "text" && argc >= 4) {
        int id = std::atoi(argv[3]);
        if (id == 0) {
            for (HWND h : Children(Top(title))) {
                if (ClassOf(h) == L"Static" && IsWindowVisible(h)) {
                    std::string t = Narrow(TextOf(h));
                    if (!t.empty()) std::printf("%s\n", t.c_str());
                }
            }
        } else {
            std::printf("%s\n", Narrow(TextOf(Control(title, id))).c_str());
        }
    } else if (step == "state" && argc >= 4) {
        HWND h = Control(title, std::atoi(argv[3]));
        std::printf("%d %d\n", IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0);
    } else if (step == "pos" && argc >= 4) {
        std::printf("%d\n", static_cast<int>(SendMessageW(Control(title, std::atoi(argv[3])),
                                                          PBM_GETPOS, 0, 0)));
    } else if (step == "checked" && argc >= 4) {
        std::printf("%d\n", SendMessageW(Control(title, std::atoi(argv[3])), BM_GETCHECK, 0, 0) ==
                                    BST_CHECKED
                                ? 1
                                : 0);
    } else if (step == "waitpos" && argc >= 5) {
        const int id = std::atoi(argv[3]), min = std::atoi(argv[4]);
        if (!Until(Arg(argc, argv, 5, 60000), [&] {
                HWND t = FindTop(title);
                HWND h = t ? FindId(t, id) : nullptr;
                return h != nullptr && SendMessageW(h, PBM_GETPOS, 0, 0) >= min;
            })) {
            Fail("progress " + std::to_string(id) + " did not reach " + std::to_string(min));
        }
    } else if (step == "waitstate" && argc >= 6) {
        const int id = std::atoi(argv[3]);
        const std::string v = argv[4], e = argv[5];
        if (!Until(Arg(argc, argv, 6, 60000), [&] {
                HWND t = FindTop(title);
                HWND h = t ? FindId(t, id) : nullptr;
                if (h == nullptr) return false;
                bool ok_v = v == "-" || (v == "1") == (IsWindowVisible(h) != 0);
                bool ok_e = e == "-" || (e == "1") == (IsWindowEnabled(h) != 0);
                return ok_v && ok_e;
            })) {
            Fail("control " + std::to_string(id) + " did not reach state " + v + " " + e);
        }
    } else if (step == "pick" && argc >= 4) {
        const std::wstring prefix = Widen(argv[3]);
        for (HWND h : Children(Top(title))) {
            if (ClassOf(h) != L"ComboBox") continue;
            int n = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < n; ++i) {
                wchar_t buf[512] = {0};
                if (SendMessageW(h, CB_GETLBTEXTLEN, i, 0) >= 511) continue;
                SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf));
                if (std::wstring(buf).compare(0, prefix.size(), prefix) == 0) {
                    SendMessageW(h, CB_SETCURSEL, i, 0);
                    SendMessageW(GetParent(h), WM_COMMAND,
                                 MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE),
                                 reinterpret_cast<LPARAM>(h));
                    return 0;
                }
            }
        }
        Fail("no list item \"" + std::string(argv[3]) + "\"");
    } else {
        Fail("unknown step " + step);
    }
    return 0;
}
