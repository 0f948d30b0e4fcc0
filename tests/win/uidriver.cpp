#include "tests/win/uidriver.h"

#include <cstdio>

namespace uidriver {
namespace {

constexpr UINT kTimeout = 5000;

struct TFindTop {
    const std::wstring* caption;
    const std::wstring* cls;
    DWORD process;
    HWND found;
};

BOOL CALLBACK FindTopProc(HWND h, LPARAM data) {
    auto* f = reinterpret_cast<TFindTop*>(data);
    if (!IsWindowVisible(h)) return TRUE;
    if (Text(h) != *f->caption) return TRUE;
    if (!f->cls->empty() && ClassOf(h) != *f->cls) return TRUE;
    if (f->process != 0) {
        DWORD owner = 0;
        GetWindowThreadProcessId(h, &owner);
        if (owner != f->process) return TRUE;
    }
    f->found = h;
    return FALSE;
}

BOOL CALLBACK CollectProc(HWND h, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(h);
    return TRUE;
}

LRESULT Send(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, msg, wp, lp, SMTO_ABORTIFHUNG, kTimeout, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

HWND WaitWindow(const std::wstring& caption, int timeout_ms, const std::wstring& cls,
                DWORD process) {
    const DWORD start = GetTickCount();
    for (;;) {
        TFindTop f = {&caption, &cls, process, nullptr};
        EnumWindows(FindTopProc, reinterpret_cast<LPARAM>(&f));
        if (f.found != nullptr) return f.found;
        if (static_cast<int>(GetTickCount() - start) > timeout_ms) return nullptr;
        Sleep(50);
    }
}

HWND WaitOwnWindow(const std::wstring& caption, int timeout_ms) {
    return WaitWindow(caption, timeout_ms, L"", GetCurrentProcessId());
}

bool WaitGone(HWND window, int timeout_ms) {
    const DWORD start = GetTickCount();
    while (IsWindow(window) && IsWindowVisible(window)) {
        if (static_cast<int>(GetTickCount() - start) > timeout_ms) return false;
        Sleep(20);
    }
    return true;
}

std::vector<HWND> Controls(HWND top) {
    std::vector<HWND> all;
    EnumChildWindows(top, CollectProc, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND Find(HWND top, const std::wstring& selector) {
    if (top == nullptr || selector.empty()) return nullptr;
    for (HWND h : Controls(top)) {
        if (selector[0] == L'#') {
            if (ControlId(h) == _wtoi(selector.c_str() + 1)) return h;
        } else if (selector[0] == L'=') {
            if (Text(h) == selector.substr(1)) return h;
        } else if (_wcsicmp(ClassOf(h).c_str(), selector.c_str()) == 0) {
            return h;
        }
    }
    return nullptr;
}

std::wstring Text(HWND control) {
    LRESULT n = Send(control, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return std::wstring();
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    LRESULT got =
        Send(control, WM_GETTEXT, static_cast<WPARAM>(n + 1), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::wstring ClassOf(HWND control) {
    wchar_t name[128] = {0};
    GetClassNameW(control, name, 127);
    return name;
}

int ControlId(HWND control) { return GetDlgCtrlID(control); }

RECT RectInTop(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetAncestor(control, GA_ROOT), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND top) {
    RECT r;
    GetClientRect(top, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

bool Visible(HWND control) { return IsWindowVisible(control) != FALSE; }
bool Enabled(HWND control) { return IsWindowEnabled(control) != FALSE; }
bool Checked(HWND check_box) { return Send(check_box, BM_GETCHECK, 0, 0) == BST_CHECKED; }
int ProgressPosition(HWND bar) { return static_cast<int>(Send(bar, WM_USER + 8, 0, 0)); }

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    LRESULT n = Send(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
        Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&text[0]));
        text.resize(static_cast<size_t>(len > 0 ? len : 0));
        items.push_back(text);
    }
    return items;
}

int ComboSelection(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0)); }

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool PickItem(HWND combo, int index) {
    if (Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0) != index) return false;
    PostMessageW(GetParent(combo), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(ControlId(combo)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return true;
}

void SetText(HWND edit, const std::wstring& text) {
    Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void PressEnter(HWND control) {
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(control, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
}

void PressAltF4(HWND top) {
    // Bit 29: the Alt key is down.
    PostMessageW(top, WM_SYSKEYDOWN, VK_F4, 0x203E0001);
    PostMessageW(top, WM_SYSKEYUP, VK_F4, static_cast<LPARAM>(0xE03E0001u));
}

void CloseWindow(HWND top) { PostMessageW(top, WM_CLOSE, 0, 0); }

std::wstring Describe(HWND top) {
    std::wstring out;
    SIZE client = ClientSize(top);
    wchar_t line[512];
    swprintf(line, 512, L"window \"%ls\" client %ldx%ld\n", Text(top).c_str(), client.cx,
             client.cy);
    out += line;
    for (HWND h : Controls(top)) {
        RECT r = RectInTop(h);
        swprintf(line, 512, L"#%d %ls (%ld,%ld %ldx%ld)%ls%ls \"%ls\"\n", ControlId(h),
                 ClassOf(h).c_str(), r.left, r.top, r.right - r.left, r.bottom - r.top,
                 Visible(h) ? L"" : L" hidden", Enabled(h) ? L"" : L" disabled",
                 Text(h).substr(0, 60).c_str());
        out += line;
    }
    return out;
}

}  // namespace uidriver
