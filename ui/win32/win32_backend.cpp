#include "ui/win32/win32_backend.h"
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/wide.h"
#include "ui/services.h"
#include "ui/win32/gdi.h"

namespace ui {
namespace win32 {
namespace {

constexpr UINT kSyncMessage = WM_APP + 1;
constexpr UINT kPostMessage = WM_APP + 2;
constexpr UINT kActivatePopup = WM_APP + 3;
const wchar_t kMessageClass[] = L"ZMSetupMainThread";
const wchar_t kApplicationClass[] = L"ZMSetupApplication";

HWND g_application = nullptr;

Cursor g_screen_cursor = Cursor::Default;

HCURSOR SystemCursor(Cursor c) {
    switch (c) {
        case Cursor::HourGlass:
            return LoadCursorW(nullptr, IDC_WAIT);
        case Cursor::HandPoint:
            return LoadCursorW(nullptr, IDC_HAND);
        default:
            return LoadCursorW(nullptr, IDC_ARROW);
    }
}

// A command from a control: the user changed or pressed it.
void OnCommand(TWin32Peer& peer, WORD code) {
    TComponent& c = peer.Component();
    HWND h = peer.Handle();
    if (peer.Writing()) return;
    switch (c.GetKind()) {
        case Kind::Button:
        case Kind::SpeedButton:
            if (code == BN_CLICKED) c.DoClick();
            break;
        case Kind::CheckBox:
            if (code == BN_CLICKED) {
                c.UserSetChecked(SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED);
                c.DoClick();
            }
            break;
        case Kind::Edit:
        case Kind::Memo:
            if (code == EN_CHANGE) {
                int n = GetWindowTextLengthW(h);
                std::wstring text(static_cast<size_t>(n) + 1, L'\0');
                GetWindowTextW(h, &text[0], n + 1);
                c.UserSetText(platform::U(text.c_str()));
            }
            break;
        case Kind::ComboBox:
            if (code == CBN_SELCHANGE) {
                c.UserSetItemIndex(static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0)));
            }
            break;
        case Kind::Label:
        case Kind::Image:
            if (code == STN_CLICKED) c.DoClick();
            break;
        default:
            break;
    }
}

// A popup menu of the control, built from the menu's items when it is needed.
void ShowPopup(TComponent& control, int x, int y) {
    TComponent* menu = control.PopupMenu;
    if (menu == nullptr) return;
    HMENU h = CreatePopupMenu();
    for (TComponent* item : menu->Children()) {
        if (item->GetKind() != Kind::MenuItem || !item->Visible()) continue;
        UINT flags =
            MF_STRING | (item->Enabled() ? 0 : MF_GRAYED) | (item->Checked() ? MF_CHECKED : 0);
        if (item->Caption() == u"-") flags = MF_SEPARATOR;
        AppendMenuW(h, flags, static_cast<UINT_PTR>(item->ControlId()),
                    platform::W(item->Caption()));
    }
    HWND owner = HandleOf(control.ParentForm());
    if (x == -1 && y == -1) {
        RECT r;
        GetWindowRect(HandleOf(&control), &r);
        x = r.left;
        y = r.bottom;
    }
    int id = TrackPopupMenu(h, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, owner, nullptr);
    DestroyMenu(h);
    if (id != 0) {
        if (TComponent* item = menu->ParentForm()->FindByControlId(id)) item->DoClick();
    }
}

LRESULT ColorControl(HWND container, HDC dc, HWND control) {
    TWin32Peer* peer = PeerOf(control);
    if (peer == nullptr) return DefWindowProcW(container, WM_CTLCOLORSTATIC, 0, 0);
    const TComponent& c = peer->Component();
    const Font& f = c.GetFont();
    if (f.TextColor != kDefaultColor) SetTextColor(dc, static_cast<COLORREF>(f.TextColor));
    if (c.GetColor() != kDefaultColor) {
        SetBkColor(dc, static_cast<COLORREF>(c.GetColor()));
        return reinterpret_cast<LRESULT>(BrushFor(c.GetColor()));
    }
    Color back = EffectiveColor(c);
    if (c.GetKind() == Kind::Edit || c.GetKind() == Kind::Memo) {
        if (!c.ReadOnly()) {
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
    }
    SetBkMode(dc, TRANSPARENT);
    SetBkColor(dc, ColorRef(back, COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(BrushFor(back));
}

// Forms and panels.
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    TWin32Peer* self = PeerOf(hwnd);
    if (self == nullptr) return DefWindowProcW(hwnd, msg, wp, lp);
    TComponent& c = self->Component();
    switch (msg) {
        case WM_COMMAND:
            if (lp != 0) {
                if (TWin32Peer* child = PeerOf(reinterpret_cast<HWND>(lp))) {
                    OnCommand(*child, HIWORD(wp));
                }
            }
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            if (msg == WM_CTLCOLOREDIT) {
                TWin32Peer* child = PeerOf(reinterpret_cast<HWND>(lp));
                if (child == nullptr || child->Component().GetColor() == kDefaultColor) break;
            }
            return ColorControl(hwnd, reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
        case WM_ERASEBKGND: {
            RECT r;
            GetClientRect(hwnd, &r);
            FillRect(reinterpret_cast<HDC>(wp), &r, BrushFor(EffectiveColor(c)));
            return 1;
        }
        case WM_PAINT:
            if (c.GetKind() == Kind::Panel) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(hwnd, &ps);
                RECT r;
                GetClientRect(hwnd, &r);
                if (c.Border) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
                if (!c.Caption().empty()) {
                    HGDIOBJ old = SelectObject(dc, FontFor(c.GetFont()));
                    SetBkMode(dc, TRANSPARENT);
                    DrawTextW(dc, platform::W(c.Caption()), -1, &r,
                              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
                    SelectObject(dc, old);
                }
                EndPaint(hwnd, &ps);
                return 0;
            }
            break;
        case WM_SETCURSOR: {
            if (g_screen_cursor != Cursor::Default) {
                SetCursor(SystemCursor(g_screen_cursor));
                return TRUE;
            }
            TWin32Peer* under = PeerOf(reinterpret_cast<HWND>(wp));
            for (const TComponent* p = under ? &under->Component() : nullptr; p != nullptr;
                 p = p->Parent()) {
                if (p->GetCursor() != Cursor::Default) {
                    SetCursor(SystemCursor(p->GetCursor()));
                    return TRUE;
                }
            }
            break;
        }
        case WM_CONTEXTMENU:
            if (TWin32Peer* under = PeerOf(reinterpret_cast<HWND>(wp))) {
                if (under->Component().PopupMenu != nullptr) {
                    ShowPopup(under->Component(), static_cast<short>(LOWORD(lp)),
                              static_cast<short>(HIWORD(lp)));
                    return 0;
                }
            }
            break;
        case WM_CLOSE:
            if (c.GetKind() == Kind::Form) {
                static_cast<TForm&>(c).Close();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (c.GetKind() == Kind::Form) {
                auto& form = static_cast<TForm&>(c);
                if (LOWORD(wp) == WA_INACTIVE) {
                    // Remember where the user was, for when the form is active again.
                    SyncActiveControl(form);
                    return 0;
                }
                // Back from a message box or another program: the focus returns to the
                // form's active control, not to the form itself.
                DefWindowProcW(hwnd, msg, wp, lp);
                form.RestoreFocus();
                return 0;
            }
            break;
        case WM_SYSCOMMAND:
            // A form that the task-bar window owns goes down with it: minimized alone it would
            // lie on the desktop with no button to bring it back.
            if ((wp & 0xFFF0) == SC_MINIMIZE && g_application != nullptr &&
                GetWindow(hwnd, GW_OWNER) == g_application) {
                ShowWindow(g_application, SW_MINIMIZE);
                return 0;
            }
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The task-bar window. Minimized, it takes its forms along and brings them back when restored;
// activated (its button pressed, Alt+Tab), it hands the activation on to the form the user last
// worked in; closed from the task bar, it asks that form to close.
LRESULT CALLBACK ApplicationProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static bool minimized = false;
    switch (msg) {
        case WM_SIZE:
            if (wp == SIZE_MINIMIZED && !minimized) {
                minimized = true;
                ShowOwnedPopups(hwnd, FALSE);
            } else if (wp == SIZE_RESTORED && minimized) {
                minimized = false;
                ShowOwnedPopups(hwnd, TRUE);
                PostMessageW(hwnd, kActivatePopup, 0, 0);
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) PostMessageW(hwnd, kActivatePopup, 0, 0);
            return 0;
        case kActivatePopup: {
            HWND popup = GetLastActivePopup(hwnd);
            if (popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) {
                SetForegroundWindow(popup);
            }
            return 0;
        }
        case WM_CLOSE: {
            HWND popup = GetLastActivePopup(hwnd);
            if (popup != hwnd && IsWindowEnabled(popup)) PostMessageW(popup, WM_CLOSE, 0, 0);
            return 0;  // the window itself lives as long as the program
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// The hidden window of the main thread that runs the workers' calls.
LRESULT CALLBACK MessageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kSyncMessage) {
        auto* fn = reinterpret_cast<const std::function<void()>*>(lp);
        try {
            (*fn)();
        } catch (...) {
            // Nothing may unwind through the system's message dispatch.
        }
        return 0;
    }
    if (msg == kPostMessage) {
        std::unique_ptr<std::function<void()>> fn(reinterpret_cast<std::function<void()>*>(lp));
        try {
            (*fn)();
        } catch (...) {
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TForm* FormOf(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    TWin32Peer* root = PeerOf(GetAncestor(hwnd, GA_ROOT));
    if (root == nullptr || root->Component().GetKind() != Kind::Form) return nullptr;
    return static_cast<TForm*>(&root->Component());
}

// Pumps one message; false on WM_QUIT (which is put back for the outer loop).
bool PumpOne(bool wait) {
    MSG msg;
    if (wait) {
        BOOL r = GetMessageW(&msg, nullptr, 0, 0);
        if (r <= 0) {
            if (r == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
    } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        return false;
    } else if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
    }
    if (!HandleDialogKey(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

BOOL CALLBACK CollectEnabled(HWND h, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<HWND>*>(data);
    if (IsWindowVisible(h) && IsWindowEnabled(h)) list->push_back(h);
    return TRUE;
}

class TWin32Backend : public TBackend {
  public:
    TWin32Backend() {
        INITCOMMONCONTROLSEX icc = {sizeof(icc),
                                    ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        RegisterClasses();
        main_window_ = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleW(nullptr), nullptr);
    }

    int ShowModal(TForm& form) override {
        form.Modal = true;
        Prepare(form);
        HWND self = HandleOf(&form);
        HWND was_active = GetActiveWindow();
        // Every other window of the thread waits until the modal form is done.
        std::vector<HWND> disabled;
        EnumThreadWindows(GetCurrentThreadId(), CollectEnabled,
                          reinterpret_cast<LPARAM>(&disabled));
        for (HWND h : disabled) {
            if (h != self) EnableWindow(h, FALSE);
        }
        form.Show();
        SetForegroundWindow(self);
        form.RestoreFocus();
        while (!form.Closed()) {
            if (!PumpOne(true)) break;
        }
        for (HWND h : disabled) EnableWindow(h, TRUE);
        if (!form.Closed()) {
            if (form.ModalResult == mrNone) form.ModalResult = mrCancel;
            form.Hide();
        }
        // The window the user worked in before is active again (its activation puts the focus
        // back on its active control), as it is after one of the system's dialogs.
        if (was_active != nullptr && was_active != self && IsWindowVisible(was_active))
            SetActiveWindow(was_active);
        form.Modal = false;
        return form.ModalResult;
    }

    void RunMainLoop(TForm& form) override {
        Prepare(form);
        form.Show();
        SetForegroundWindow(HandleOf(&form));
        form.RestoreFocus();
        while (!form.Closed()) {
            if (!PumpOne(true)) break;
        }
    }

    int MessageBox(TForm* owner, const UString& text, const UString& caption, unsigned buttons,
                   unsigned icon) override {
        return ::MessageBoxW(HandleOf(owner), platform::W(text), platform::W(caption),
                             buttons | icon);
    }

    int ConfirmDialog(TForm* owner, const UString& text, const UString& caption) override {
        return RunConfirmDialog(owner, text, caption);
    }

    void ProcessMessages() override {
        while (PumpOne(false)) {
        }
    }

    void SetScreenCursor(Cursor c) override {
        g_screen_cursor = c;
        SetCursor(SystemCursor(c));
    }

    void SynchronizeFromWorker(const std::function<void()>& fn) override {
        SendMessageW(main_window_, kSyncMessage, 0, reinterpret_cast<LPARAM>(&fn));
    }

    void PostToMain(std::function<void()> fn) override {
        auto* heap = new std::function<void()>(std::move(fn));
        if (!PostMessageW(main_window_, kPostMessage, 0, reinterpret_cast<LPARAM>(heap))) {
            delete heap;
        }
    }

    uintptr_t WindowHandle(TForm* form) override {
        return reinterpret_cast<uintptr_t>(HandleOf(form));
    }

    void ApplicationTitleChanged(const UString& title) override {
        if (g_application != nullptr) SetWindowTextW(g_application, platform::W(title));
    }

  private:
    static void Prepare(TForm& form) {
        form.Reopen();
        form.Created();
        if (form.Peer() == nullptr) {
            Realize(form);
            form.OnComponentAdded = [](TComponent& c) {
                if (c.Parent() != nullptr && HandleOf(c.Parent()) != nullptr) Realize(c);
            };
        }
    }

    HWND main_window_ = nullptr;
};

}  // namespace

HWND ApplicationWindow() {
    if (g_application != nullptr || ApplicationTitle().empty()) return g_application;
    RegisterClasses();
    // Visible, so that it has the task-bar button, and of no size, so that nothing of it shows.
    RECT area;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    g_application =
        CreateWindowExW(0, kApplicationClass, platform::W(ApplicationTitle()),
                        WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                        (area.left + area.right) / 2, (area.top + area.bottom) / 2, 0, 0, nullptr,
                        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (g_application != nullptr) ShowWindow(g_application, SW_SHOWNA);
    return g_application;
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // The program's icon, under the first numeric id or the customary name.
    wc.hIcon = LoadIconW(wc.hInstance, MAKEINTRESOURCEW(1));
    if (wc.hIcon == nullptr) wc.hIcon = LoadIconW(wc.hInstance, L"MAINICON");
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    wc.lpszClassName = kApplicationClass;
    wc.lpfnWndProc = ApplicationProc;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = ContainerProc;
    wc.hIcon = nullptr;
    wc.lpszClassName = kPanelClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = MessageProc;
    wc.hCursor = nullptr;
    wc.lpszClassName = kMessageClass;
    RegisterClassExW(&wc);
}

namespace {
// The model's component for the real focus: the control itself, or the control a system
// sub-window (a combo box's edit, say) belongs to.
TComponent* FocusedComponent() {
    for (HWND h = GetFocus(); h != nullptr; h = GetParent(h)) {
        TWin32Peer* peer = PeerOf(h);
        if (peer == nullptr) continue;
        return peer->Component().GetKind() == Kind::Form ? nullptr : &peer->Component();
    }
    return nullptr;
}
}  // namespace

void SyncActiveControl(TForm& form) {
    TComponent* focused = FocusedComponent();
    if (focused != nullptr && focused->ParentForm() == &form) form.UserSetActiveControl(focused);
}

// Tab, Shift+Tab, Enter and Escape, as the system's dialogs handle them; the rules are the
// model's (ui/keyboard.cpp), so the headless tests check the same ones.
bool HandleDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN ||
        (msg.wParam != VK_TAB && msg.wParam != VK_RETURN && msg.wParam != VK_ESCAPE)) {
        return false;
    }
    TForm* form = FormOf(msg.hwnd);
    if (form == nullptr || !IsWindowEnabled(HandleOf(form))) return false;
    SyncActiveControl(*form);
    HWND focus = GetFocus();
    const TComponent* f = form->ActiveControl();
    if (msg.wParam == VK_TAB) {
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        if (form->FocusNext(GetKeyState(VK_SHIFT) < 0) && form->ActiveControl() != nullptr &&
            form->ActiveControl()->GetKind() == Kind::Edit) {
            SendMessageW(HandleOf(form->ActiveControl()), EM_SETSEL, 0, -1);
        }
        return true;
    }
    // An open drop-down list closes on Enter and Escape; a multi-line editor takes Enter as a
    // line break.
    if (f != nullptr && f->GetKind() == Kind::ComboBox &&
        SendMessageW(HandleOf(f), CB_GETDROPPEDSTATE, 0, 0)) {
        return false;
    }
    if (msg.wParam == VK_ESCAPE) {
        form->PressEscape();
        return true;
    }
    if (f != nullptr && (f->GetKind() == Kind::Memo || f->GetKind() == Kind::RichEdit) &&
        !f->ReadOnly() && focus == HandleOf(f)) {
        return false;
    }
    return form->PressEnter();
}

TBackend& Backend() {
    static TWin32Backend backend;
    return backend;
}

}  // namespace win32
}  // namespace ui
