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
//   click TITLE ID [MS]           press a button (or toggle a check box) by control id, once it
//                                 is visible and enabled (waits up to MS, default 20 s)
//   press TITLE CAPTION [MS]      press the button with this caption (message boxes, dialogs),
//                                 once there is one that is visible and enabled
//   text TITLE ID                 a control's text; ID 0: every static text of a message box
//   state TITLE ID                "visible enabled" as 0/1 pairs
//   pos TITLE ID                  a progress bar's position
//   checked TITLE ID              1 when the check box is ticked
//   waitpos TITLE ID MIN [MS]     until the progress bar reaches MIN
//   waitstate TITLE ID V E [MS]   until the control is visible V and enabled E (0/1, - any)
//   pick TITLE PREFIX             select the combo box item that starts with PREFIX
//   timeline TITLE ID MS STEP...  press control ID, then wait for each STEP in turn: a control id,
//                                 or ids joined by '|', that is visible and enabled; prints
//                                 "STEP SECONDS" (since the press) as each is reached, MS in all
//   settle TITLE                  let the window's thread paint what is pending (for pictures)
//   page TITLE                    the wizard's page in front, 0..4, or -1 while it changes pages
//   await TITLE PAGES [MS]        until the wizard shows one of PAGES (digits: "34" is Ready or
//                                 Finish), another window of its program appears or the wizard
//                                 is gone; prints "page N",
//                                 "dialog CAPTION" (message boxes: "message CAPTION") or "gone"
//   seen TITLE                    what the page checks see: heading, enabled panels, buttons
//   keys TITLE                    "focus ID default ID": the control with the keyboard focus in
//                                 the window's thread and the bottom button drawn as the default
//                                 one (0: none)
//   apptitle TITLE                the text of the task-bar button that stands for the window:
//                                 its owner's title when an owner carries it, else its own
//   minrestore TITLE              the window's minimize box, then the task-bar button: the
//                                 window must go away with its task-bar owner and come back
//   icon TITLE                    "x y w h" of a message box's icon on the screen
//   move TITLE X Y                move the window's top-left corner to X, Y on the screen
//   browse TITLE ID FOLDER [MS]   press the browse button ID, choose FOLDER in the system's
//                                 folder dialog and confirm it
//   close TITLE [MS]              ask the window to close (as its close box does) and wait until
//                                 it is gone
// Options before STEP:
//   --heading N=TEXT              the exact heading of page N (0..4) in the package's language.
// The pages are panels stacked on one another, all of them visible: the page in front is the one
// whose heading is shown (where given), whose panel is the enabled one, and whose bottom buttons
// are the page's own (Back only on the extraction page, Next on Welcome, extraction and Ready,
// Cancel on every page but Ready).
// Arguments may hold any Unicode text (they are read from the wide command line); texts are
// printed as UTF-8. Windows of no size (a program's task-bar owner window) are never matched.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

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

// The whole text, however long (a log grows a line per file).
std::wstring TextOf(HWND h) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(h, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        return L"";
    std::wstring buf(static_cast<size_t>(length) + 2, L'\0');
    SendMessageTimeoutW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0]),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    buf.resize(wcslen(buf.c_str()));
    return buf;
}

std::wstring ClassOf(HWND h) {
    wchar_t buf[256] = {0};
    GetClassNameW(h, buf, 256);
    return buf;
}

bool HasArea(HWND h) {
    RECT r;
    return GetWindowRect(h, &r) && r.right > r.left && r.bottom > r.top;
}

// Enumeration callbacks take the system's calling convention (stdcall on 32-bit Windows), which a
// lambda's function pointer does not have: they are plain functions.
struct TopSearch {
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK FindTopProc(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<TopSearch*>(p);
    if (!IsWindowVisible(h) || !HasArea(h)) return TRUE;
    wchar_t buf[1024] = {0};
    GetWindowTextW(h, buf, 1024);
    if (std::wstring(buf).compare(0, s->prefix.size(), s->prefix) == 0) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

HWND FindTop(const std::wstring& prefix) {
    TopSearch s{prefix, nullptr};
    EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

BOOL CALLBACK CollectProc(HWND h, LPARAM p) {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
}

std::vector<HWND> Children(HWND top) {
    std::vector<HWND> out;
    EnumChildWindows(top, CollectProc, reinterpret_cast<LPARAM>(&out));
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

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// The controls of one timeline step, "140|150": any of them visible and enabled ends the step.
// Looked up once, so that the polling costs the program being timed next to nothing.
std::vector<HWND> StepControls(HWND top, const std::string& step) {
    std::vector<HWND> out;
    for (size_t at = 0; at <= step.size();) {
        size_t bar = step.find('|', at);
        if (bar == std::string::npos) bar = step.size();
        const std::string id = step.substr(at, bar - at);
        HWND h = FindId(top, std::atoi(id.c_str()));
        if (h == nullptr) Fail("no control " + id);
        out.push_back(h);
        at = bar + 1;
    }
    return out;
}

int Arg(int argc, char** argv, int i, int fallback) {
    return i < argc ? std::atoi(argv[i]) : fallback;
}

DWORD ProcessOf(HWND h) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    return pid;
}

// The headings given with --heading, by page; empty where none was given.
std::wstring g_headings[5];

constexpr int kPanels[] = {110, 120, 130, 140, 150};
constexpr int kHeading = 103, kBack = 105, kNext = 106, kCancel = 107;

bool ShownIn(HWND top, int id) {
    HWND h = FindId(top, id);
    return h != nullptr && IsWindowVisible(h);
}

// The page in front, or -1 while the window is between pages (its heading, panels and buttons
// are changed one after another, and a label's new text may reach the screen a little later).
int PageOf(HWND top) {
    const bool back = ShownIn(top, kBack), next = ShownIn(top, kNext),
               cancel = ShownIn(top, kCancel);
    HWND heading = FindId(top, kHeading);
    const std::wstring shown = heading != nullptr ? TextOf(heading) : L"";
    int found = -1;
    for (int i = 0; i < 5; ++i) {
        HWND p = FindId(top, kPanels[i]);
        if (p == nullptr || !IsWindowEnabled(p)) continue;
        if (!g_headings[i].empty() && shown != g_headings[i]) continue;
        if (back != (i == 2) || next != (i == 0 || i == 2 || i == 3) || cancel != (i != 3)) {
            continue;
        }
        if (found >= 0) return -1;  // two pages fit: not settled yet
        found = i;
    }
    return found;
}

// What PageOf looked at, for a message when no page came.
std::string Seen(HWND top) {
    if (top == nullptr) return "no window";
    auto state = [&](int id) {
        HWND h = FindId(top, id);
        if (h == nullptr) return std::string("none");
        return std::string(IsWindowVisible(h) ? "shown" : "hidden") +
               (IsWindowEnabled(h) ? "" : "/disabled");
    };
    HWND heading = FindId(top, kHeading);
    std::string out = "heading \"" + Narrow(heading != nullptr ? TextOf(heading) : L"") + "\"";
    out += ", enabled panels:";
    for (int i = 0; i < 5; ++i) {
        HWND p = FindId(top, kPanels[i]);
        if (p != nullptr && IsWindowEnabled(p)) out += " " + std::to_string(i);
    }
    out += ", Back " + state(kBack) + ", Next " + state(kNext) + ", Cancel " + state(kCancel);
    out += ", page " + std::to_string(PageOf(top));
    return out;
}

// The control id's state in words, for messages.
std::string StateOf(HWND h) {
    if (h == nullptr) return "not found";
    return std::string(IsWindowVisible(h) ? "visible" : "hidden") +
           (IsWindowEnabled(h) ? ", enabled" : ", disabled") + ", text \"" + Narrow(TextOf(h)) +
           "\"";
}

// Another visible window of the program that owns top: a message box, a question, a dialog.
struct OtherSearch {
    HWND top;
    DWORD pid;
    const wchar_t* cls;
    HWND found;
};

BOOL CALLBACK OtherWindowProc(HWND h, LPARAM p) {
    auto* s = reinterpret_cast<OtherSearch*>(p);
    if (h == s->top || !IsWindowVisible(h) || !HasArea(h)) return TRUE;
    if (ProcessOf(h) != s->pid) return TRUE;
    if (s->cls != nullptr && ClassOf(h) != s->cls) return TRUE;
    s->found = h;
    return FALSE;
}

HWND OtherWindowOf(HWND top, const wchar_t* cls = nullptr) {
    OtherSearch s{top, ProcessOf(top), cls, nullptr};
    EnumWindows(OtherWindowProc, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The first child whose class is cls.
HWND ChildOfClass(HWND top, const wchar_t* cls) {
    for (HWND h : Children(top)) {
        if (ClassOf(h) == cls) return h;
    }
    return nullptr;
}

// Lets the window's thread handle what is queued and paint what is invalid, then gives the
// display a moment to show it.
void Settle(HWND top) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    RedrawWindow(top, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageTimeoutW(top, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    Sleep(150);
}

// Chooses folder in the system's folder dialog of the program that owns top. The dialog takes
// the path by pointer, so the text is written into that program's memory first.
void ChooseFolder(HWND top, const std::wstring& folder, int ms) {
    HWND dlg = nullptr;
    if (!Until(ms, [&] {
            dlg = OtherWindowOf(top, L"#32770");
            return dlg != nullptr && ChildOfClass(dlg, L"SysTreeView32") != nullptr;
        })) {
        Fail("no folder dialog");
    }
    HANDLE proc = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, ProcessOf(dlg));
    if (proc == nullptr) Fail("cannot reach the folder dialog's program");
    const SIZE_T bytes = (folder.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(proc, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote == nullptr || !WriteProcessMemory(proc, remote, folder.c_str(), bytes, nullptr)) {
        CloseHandle(proc);
        Fail("cannot hand the folder to the dialog");
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
    VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
    CloseHandle(proc);
    Settle(dlg);
    HWND ok = GetDlgItem(dlg, IDOK);
    if (ok == nullptr || !IsWindowEnabled(ok)) Fail("the folder dialog cannot take that folder");
    PostMessageW(ok, BM_CLICK, 0, 0);
    if (!Until(ms, [&] { return !IsWindow(dlg) || !IsWindowVisible(dlg); })) {
        Fail("the folder dialog stays open");
    }
}

int Run(int argc, char** argv);

}  // namespace

// The arguments come from the wide command line: the narrow one holds only what the system's
// code page can spell.
int main() {
    int argc = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (wide == nullptr) Fail("no command line");
    std::vector<std::string> utf8;
    for (int i = 0; i < argc; ++i) utf8.push_back(Narrow(wide[i]));
    LocalFree(wide);
    std::vector<char*> argv;
    for (std::string& a : utf8) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    return Run(argc, argv.data());
}

namespace {

int Run(int argc, char** argv) {
    while (argc >= 3 && std::string(argv[1]) == "--heading") {
        const std::string given = argv[2];
        const int page = given.size() >= 2 && given[1] == '=' ? given[0] - '0' : -1;
        if (page < 0 || page > 4) Fail("--heading takes N=TEXT with N from 0 to 4");
        g_headings[page] = Widen(given.c_str() + 2);
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) Fail("usage: wizard_driver [--heading N=TEXT]... STEP TITLE [ARGS]");
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
        const int id = std::atoi(argv[3]);
        HWND h = nullptr;
        if (!Until(Arg(argc, argv, 4, 20000), [&] {
                HWND t = FindTop(title);
                h = t ? FindId(t, id) : nullptr;
                return h != nullptr && Usable(h);
            })) {
            HWND t = FindTop(title);
            Fail("control " + std::to_string(id) + " of \"" + argv[2] +
                 "\" never became usable: " + StateOf(h) + (t ? "; " + Seen(t) : "; no window"));
        }
        Press(h);
    } else if (step == "press" && argc >= 4) {
        const std::wstring caption = Widen(argv[3]);
        HWND target = nullptr;
        auto find = [&] {
            HWND t = FindTop(title);
            if (t == nullptr) return false;
            for (HWND h : Children(t)) {
                std::wstring plain;
                for (wchar_t c : TextOf(h)) {
                    if (c != L'&') plain += c;
                }
                if (ClassOf(h) == L"Button" && plain == caption && Usable(h)) target = h;
            }
            return target != nullptr;
        };
        if (!Until(Arg(argc, argv, 4, 20000), find)) {
            Fail("no usable button \"" + std::string(argv[3]) + "\" in \"" + argv[2] + "\"");
        }
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
        int last = -1;
        if (!Until(Arg(argc, argv, 5, 60000), [&] {
                HWND t = FindTop(title);
                HWND h = t ? FindId(t, id) : nullptr;
                if (h != nullptr) last = static_cast<int>(SendMessageW(h, PBM_GETPOS, 0, 0));
                return h != nullptr && last >= min;
            })) {
            Fail("progress " + std::to_string(id) + " did not reach " + std::to_string(min) +
                 " (last seen " + std::to_string(last) + ")");
        }
    } else if (step == "waitstate" && argc >= 6) {
        const int id = std::atoi(argv[3]);
        const std::string v = argv[4], e = argv[5];
        HWND h = nullptr;
        if (!Until(Arg(argc, argv, 6, 60000), [&] {
                HWND t = FindTop(title);
                h = t ? FindId(t, id) : nullptr;
                if (h == nullptr) return false;
                bool ok_v = v == "-" || (v == "1") == (IsWindowVisible(h) != 0);
                bool ok_e = e == "-" || (e == "1") == (IsWindowEnabled(h) != 0);
                return ok_v && ok_e;
            })) {
            Fail("control " + std::to_string(id) + " did not reach state " + v + " " + e + ": " +
                 StateOf(h));
        }
    } else if (step == "timeline" && argc >= 6) {
        // Polled every 10 ms: fine enough for times of a second and more, and a handful of
        // calls each time, so the program being timed keeps its processor and Wine's server.
        HWND top = Top(title);
        HWND button = Control(title, std::atoi(argv[3]));
        std::vector<std::vector<HWND>> steps;
        for (int i = 5; i < argc; ++i) steps.push_back(StepControls(top, argv[i]));
        const double limit = std::atoi(argv[4]) / 1000.0;
        const double start = Now();
        Press(button);
        for (size_t i = 0; i < steps.size(); ++i) {
            for (;;) {
                bool reached = false;
                for (HWND h : steps[i]) reached = reached || Usable(h);
                if (reached) break;
                if (!IsWindow(top)) Fail("the window closed");
                if (Now() - start > limit)
                    Fail(std::string("timed out waiting for ") + argv[i + 5]);
                Sleep(10);
            }
            std::printf("%s %.3f\n", argv[i + 5], Now() - start);
            std::fflush(stdout);
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
    } else if (step == "settle") {
        Settle(Top(title));
    } else if (step == "page") {
        std::printf("%d\n", PageOf(Top(title)));
    } else if (step == "keys") {
        HWND top = Top(title);
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        const DWORD thread = GetWindowThreadProcessId(top, nullptr);
        const int focus = GetGUIThreadInfo(thread, &info) && info.hwndFocus != nullptr
                              ? GetDlgCtrlID(info.hwndFocus)
                              : 0;
        int def = 0;
        for (int id : {kBack, kNext, kCancel}) {
            HWND b = FindId(top, id);
            if (b != nullptr && (GetWindowLongW(b, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                def = id;
        }
        std::printf("focus %d default %d\n", focus, def);
    } else if (step == "seen") {
        std::printf("%s\n", Seen(Top(title)).c_str());
    } else if (step == "await" && argc >= 4) {
        const std::string pages = argv[3];
        std::string event;
        const int ms = Arg(argc, argv, 4, 60000);
        if (!Until(ms, [&] {
                HWND t = FindTop(title);
                if (t == nullptr) {
                    event = "gone";
                } else if (HWND other = OtherWindowOf(t)) {
                    event = (ClassOf(other) == L"#32770" ? "message " : "dialog ") +
                            Narrow(TextOf(other));
                } else {
                    const int page = PageOf(t);
                    if (page >= 0 && pages.find(static_cast<char>('0' + page)) != std::string::npos)
                        event = "page " + std::to_string(page);
                }
                return !event.empty();
            })) {
            Fail("no page of " + pages + " came within " + std::to_string(ms) +
                 " ms; last seen: " + Seen(FindTop(title)));
        }
        std::printf("%s\n", event.c_str());
    } else if (step == "apptitle") {
        HWND h = Top(title);
        HWND owner = GetWindow(h, GW_OWNER);
        // An owned window has no task-bar button; a visible owner's stands for it (a hidden
        // owner leaves the program without one: nothing is printed then).
        const bool own_button =
            owner == nullptr || (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_APPWINDOW) != 0;
        HWND button = own_button ? h : owner;
        const bool shown = IsWindowVisible(button) &&
                           (GetWindowLongW(button, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) == 0;
        std::printf("%s\n", shown ? Narrow(TextOf(button)).c_str() : "");
    } else if (step == "minrestore") {
        HWND h = Top(title);
        HWND owner = GetWindow(h, GW_OWNER);
        HWND button = owner != nullptr ? owner : h;
        PostMessageW(h, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        if (!Until(20000, [&] { return IsIconic(button) && !IsWindowVisible(h); })) {
            Fail(IsWindowVisible(h) ? "minimized, the window is still shown"
                                    : "minimized, its task-bar button is not down");
        }
        PostMessageW(button, WM_SYSCOMMAND, SC_RESTORE, 0);
        if (!Until(20000, [&] { return !IsIconic(button) && IsWindowVisible(h); })) {
            Fail("the task-bar button did not bring the window back");
        }
    } else if (step == "icon") {
        // Which picture it is shows on the screen only: the caller looks at this rectangle.
        for (HWND h : Children(Top(title))) {
            if (ClassOf(h) != L"Static" || !IsWindowVisible(h)) continue;
            if ((GetWindowLongW(h, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
            RECT r;
            GetWindowRect(h, &r);
            std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
            return 0;
        }
        Fail("no icon in \"" + std::string(argv[2]) + "\"");
    } else if (step == "move" && argc >= 5) {
        SetWindowPos(Top(title), nullptr, std::atoi(argv[3]), std::atoi(argv[4]), 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else if (step == "browse" && argc >= 5) {
        HWND top = Top(title);
        Press(Control(title, std::atoi(argv[3])));
        ChooseFolder(top, Widen(argv[4]), Arg(argc, argv, 5, 30000));
    } else if (step == "close") {
        PostMessageW(Top(title), WM_CLOSE, 0, 0);
        if (!Until(Arg(argc, argv, 3, 10000), [&] { return FindTop(title) == nullptr; }))
            Fail("\"" + std::string(argv[2]) + "\" did not close");
    } else {
        Fail("unknown step " + step);
    }
    return 0;
}

}  // namespace
