#include "ui/win32/win32_backend.h"
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <memory>

#include "platform/dynlib.h"
#include "platform/win32/wide.h"
#include "ui/services.h"
#include "ui/win32/gdi.h"

namespace ui {
namespace win32 {

const wchar_t kFormClass[] = L"ZMSetupForm";
const wchar_t kPanelClass[] = L"ZMSetupPanel";

namespace {

// The rich edit library, from the system folder by its full path (never by a bare name).
bool RichEditAvailable() {
    static platform::DynLib lib;
    static bool tried = false;
    if (!tried) {
        tried = true;
        wchar_t dir[MAX_PATH] = {0};
        UINT n = GetSystemDirectoryW(dir, MAX_PATH);
        if (n > 0 && n < MAX_PATH) lib.Load(platform::U(dir) + u"\\Msftedit.dll");
    }
    return lib.IsLoaded();
}

// The rich-text box never takes the focus: it shows no caret and keeps no selection. It also
// answers the mouse cursor itself, so a cursor the model sets has to be applied here.
LRESULT CALLBACK NoFocusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_SETFOCUS) return 0;
    if (msg == WM_SETCURSOR && LOWORD(lp) == HTCLIENT) {
        TWin32Peer* peer = PeerOf(hwnd);
        if (ScreenCursor() == Cursor::HourGlass) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        if (peer != nullptr && peer->Component().GetCursor() == Cursor::Arrow) {
            SetCursor(LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
    }
    return DefSubclassProc(hwnd, msg, wp, lp);
}

struct TClassStyle {
    const wchar_t* cls = nullptr;  // null: no window of its own
    DWORD style = 0;
    DWORD ex = 0;
};

TClassStyle ClassFor(const TComponent& c) {
    TClassStyle s;
    DWORD common = WS_CHILD | WS_CLIPSIBLINGS | (c.TabStop ? WS_TABSTOP : 0);
    switch (c.GetKind()) {
        case Kind::Form:
            s.cls = kFormClass;
            s.style = WS_CLIPCHILDREN;
            switch (c.ParentForm()->Style) {
                case BorderStyle::None:
                    s.style |= WS_POPUP;
                    break;
                case BorderStyle::Dialog:
                    s.style |= WS_POPUP | WS_CAPTION | DS_MODALFRAME;
                    s.ex |= WS_EX_DLGMODALFRAME;
                    break;
                case BorderStyle::Single:
                    s.style |= WS_OVERLAPPED | WS_CAPTION | WS_BORDER;
                    break;
                case BorderStyle::Sizeable:
                    s.style |= WS_OVERLAPPED | WS_CAPTION | WS_THICKFRAME;
                    break;
            }
            if (c.ParentForm()->BorderIcons & biSystemMenu) s.style |= WS_SYSMENU;
            if (c.ParentForm()->BorderIcons & biMinimize) s.style |= WS_MINIMIZEBOX;
            if (c.ParentForm()->BorderIcons & biMaximize) s.style |= WS_MAXIMIZEBOX;
            s.ex |= WS_EX_CONTROLPARENT;
            break;
        case Kind::Panel:
            s.cls = kPanelClass;
            s.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
            s.ex = WS_EX_CONTROLPARENT;
            break;
        case Kind::Label:
            s.cls = L"STATIC";
            s.style = WS_CHILD | WS_CLIPSIBLINGS | SS_NOPREFIX | SS_NOTIFY;
            s.style |= c.Alignment == TextAlign::Center  ? SS_CENTER
                       : c.Alignment == TextAlign::Right ? SS_RIGHT
                       : c.WordWrap                      ? SS_LEFT
                                                         : SS_LEFTNOWORDWRAP | SS_ENDELLIPSIS;
            break;
        case Kind::Edit:
            s.cls = L"EDIT";
            s.style = common | ES_AUTOHSCROLL;
            break;
        case Kind::Memo:
            s.cls = L"EDIT";
            s.style = common | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
            if (!c.WordWrap) s.style |= ES_AUTOHSCROLL;
            break;
        case Kind::RichEdit:
            s.cls = RichEditAvailable() ? MSFTEDIT_CLASS : L"EDIT";
            s.style = WS_CHILD | WS_CLIPSIBLINGS | ES_MULTILINE | ES_AUTOVSCROLL;
            if (c.TabStop) s.style |= WS_TABSTOP;
            break;
        case Kind::Button:
            s.cls = L"BUTTON";
            s.style = common | (c.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case Kind::SpeedButton:
            s.cls = L"BUTTON";
            s.style = WS_CHILD | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_FLAT;
            break;
        case Kind::CheckBox:
            s.cls = L"BUTTON";
            s.style = common | BS_AUTOCHECKBOX;
            break;
        case Kind::ComboBox:
            s.cls = L"COMBOBOX";
            s.style = common | CBS_DROPDOWNLIST | WS_VSCROLL;
            break;
        case Kind::ProgressBar:
            s.cls = PROGRESS_CLASSW;
            s.style = WS_CHILD | WS_CLIPSIBLINGS;
            break;
        case Kind::Image:
            s.cls = L"STATIC";
            s.style = WS_CHILD | WS_CLIPSIBLINGS | SS_BITMAP;
            break;
        case Kind::Separator:
            s.cls = L"STATIC";
            s.style = WS_CHILD | WS_CLIPSIBLINGS | SS_ETCHEDHORZ;
            break;
        case Kind::PopupMenu:
        case Kind::MenuItem:
            break;
    }
    const bool bordered = c.Border && (c.GetKind() == Kind::Edit || c.GetKind() == Kind::Memo ||
                                       c.GetKind() == Kind::RichEdit);
    if (bordered) s.ex |= WS_EX_CLIENTEDGE;
    if (c.Scroll == ScrollBars::Vertical || c.Scroll == ScrollBars::Both) s.style |= WS_VSCROLL;
    if (c.Scroll == ScrollBars::Horizontal || c.Scroll == ScrollBars::Both) s.style |= WS_HSCROLL;
    if (c.ReadOnly() &&
        (c.GetKind() == Kind::Edit || c.GetKind() == Kind::Memo || c.GetKind() == Kind::RichEdit)) {
        s.style |= ES_READONLY;
    }
    return s;
}

// A combo box window includes its drop-down list; the closed box keeps the model's height.
constexpr int kComboListHeight = 200;

// A caption that does not fit its control is set up to this many pixels smaller.
constexpr int kMostShrink = 3;
constexpr int kSmallestFont = 8;

// Where the caption of a button, check box or word-wrapped label goes: the client area less
// the frame and the text margins of a push button, less the box of a check box.
SIZE TextRoom(const TComponent& c, HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    SIZE room = {r.right - r.left, r.bottom - r.top};
    if (c.GetKind() == Kind::Button) room.cx -= 8;
    if (c.GetKind() == Kind::CheckBox) room.cx -= GetSystemMetrics(SM_CXMENUCHECK) + 4;
    return room;
}

bool TextFits(HWND hwnd, const Font& font, const UString& text, bool wrap, SIZE room) {
    HDC dc = GetDC(hwnd);
    HGDIOBJ old = SelectObject(dc, FontFor(font));
    RECT r = {0, 0, room.cx, 0};
    DrawTextW(dc, platform::W(text), -1, &r,
              DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (wrap ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, old);
    ReleaseDC(hwnd, dc);
    return r.right <= room.cx && (!wrap || r.bottom <= room.cy);
}

}  // namespace

TWin32Peer::TWin32Peer(TComponent& component, HWND hwnd) : component_(component), hwnd_(hwnd) {}

TWin32Peer::~TWin32Peer() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
}

HWND HandleOf(const TComponent* c) {
    if (c == nullptr || c->Peer() == nullptr) return nullptr;
    return static_cast<TWin32Peer*>(c->Peer())->Handle();
}

TWin32Peer* PeerOf(HWND hwnd) {
    if (hwnd == nullptr) return nullptr;
    return reinterpret_cast<TWin32Peer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

Color EffectiveColor(const TComponent& c) {
    for (const TComponent* p = &c; p != nullptr; p = p->Parent()) {
        if (p->GetColor() != kDefaultColor) return p->GetColor();
    }
    return kDefaultColor;
}

// Captions and log lines are written as they come: what reaches a control how often is the
// business of whoever reports to it (the extraction thread paces its reports to what a person
// can follow and to what the log's control costs).
void TWin32Peer::WriteText() {
    if (hwnd_ == nullptr) return;
    writing_ = true;
    SetWindowTextW(hwnd_, platform::W(component_.Caption()));
    writing_ = false;
    ApplyFont();
}

// Only the added lines go to the control, at its end, and the view follows them.
void TWin32Peer::AppendText() {
    if (hwnd_ == nullptr) return;
    const TComponent& c = component_;
    if (c.GetKind() != Kind::Memo && c.GetKind() != Kind::Edit) {
        WriteText();
        return;
    }
    const UString& all = c.Caption();
    const size_t n = c.AppendedLength() <= all.size() ? c.AppendedLength() : all.size();
    const UString added = all.substr(all.size() - n);
    writing_ = true;
    SendMessageW(hwnd_, EM_SETLIMITTEXT, 0, 0);  // a log may outgrow the default 32 K characters
    const LRESULT end = GetWindowTextLengthW(hwnd_);
    SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(hwnd_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(platform::W(added)));
    SendMessageW(hwnd_, EM_SCROLLCARET, 0, 0);
    writing_ = false;
}

// The layout is fixed in pixels, but the fonts are the machine's: where the one asked for sets
// a caption wider (or, wrapped, taller) than its control, a slightly smaller size of it is used
// rather than cutting the text off.
Font TWin32Peer::FittingFont() const {
    const TComponent& c = component_;
    Font f = c.GetFont();
    const bool wrap = c.GetKind() == Kind::Label && c.WordWrap;
    const bool fitted = wrap || c.GetKind() == Kind::Button || c.GetKind() == Kind::CheckBox;
    if (!fitted || c.Caption().empty() || hwnd_ == nullptr) return f;
    const SIZE room = TextRoom(c, hwnd_);
    if (room.cx <= 0 || TextFits(hwnd_, f, c.Caption(), wrap, room)) return f;
    const int wanted = f.Height;
    for (f.Height = wanted - 1; f.Height >= wanted - kMostShrink && f.Height >= kSmallestFont;
         --f.Height) {
        if (TextFits(hwnd_, f, c.Caption(), wrap, room)) return f;
    }
    ++f.Height;  // the smallest tried: as much of the text as can be shown
    return f;
}

// Only a font that differs is sent: the system's controls repaint at once on WM_SETFONT, and a
// caption that changes for every file would otherwise be drawn twice each time.
void TWin32Peer::ApplyFont() {
    if (hwnd_ == nullptr) return;
    HFONT font = FontFor(FittingFont());
    if (font == font_) return;
    font_ = font;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TWin32Peer::ApplyItems() {
    writing_ = true;
    SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
    for (const UString& item : component_.Items()) {
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(platform::W(item)));
    }
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(component_.ItemIndex()), 0);
    writing_ = false;
}

void TWin32Peer::ApplyBounds() {
    if (hwnd_ == nullptr) return;
    const TComponent& c = component_;
    if (c.GetKind() == Kind::Form) {
        const TForm& form = static_cast<const TForm&>(c);
        RECT r = {0, 0, c.Width(), c.Height()};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
        int w = r.right - r.left, h = r.bottom - r.top;
        int x = c.Left(), y = c.Top();
        if (form.Placement == FormPosition::ScreenCenter) {
            RECT area;
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
            x = area.left + (area.right - area.left - w) / 2;
            y = area.top + (area.bottom - area.top - h) / 2;
        }
        SetWindowPos(hwnd_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    int h = c.GetKind() == Kind::ComboBox ? kComboListHeight : c.Height();
    SetWindowPos(hwnd_, nullptr, c.Left(), c.Top(), c.Width(), h, SWP_NOZORDER | SWP_NOACTIVATE);
    if (c.GetKind() == Kind::ComboBox) {
        // The closed box's height is its selection field plus the frame.
        SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                     static_cast<LPARAM>(c.Height() > 6 ? c.Height() - 6 : c.Height()));
    }
}

void TWin32Peer::ApplyZOrder() {
    const TComponent* parent = component_.Parent();
    if (parent == nullptr) return;
    // Back to front, each placed on top of the ones before it.
    for (const TComponent* child : parent->Children()) {
        if (HWND h = HandleOf(child)) {
            SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
}

void TWin32Peer::Changed(Prop what) {
    if (hwnd_ == nullptr && what != Prop::ZOrder) return;
    const TComponent& c = component_;
    switch (what) {
        case Prop::Caption:
            WriteText();
            break;
        case Prop::Appended:
            AppendText();
            break;
        case Prop::Bounds:
            ApplyBounds();
            ApplyFont();
            break;
        case Prop::Visible:
            ShowWindow(hwnd_, c.Visible() ? SW_SHOW : SW_HIDE);
            if (c.GetKind() == Kind::Form && c.Visible()) UpdateWindow(hwnd_);
            break;
        case Prop::Enabled:
            EnableWindow(hwnd_, c.Enabled() ? TRUE : FALSE);
            break;
        case Prop::Font:
            ApplyFont();
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case Prop::Color:
            if (c.GetKind() == Kind::RichEdit) {
                SendMessageW(hwnd_, EM_SETBKGNDCOLOR, c.GetColor() == kDefaultColor ? 1 : 0,
                             static_cast<LPARAM>(ColorRef(c.GetColor(), COLOR_WINDOW)));
            }
            InvalidateRect(hwnd_, nullptr, TRUE);
            break;
        case Prop::ReadOnly:
            SendMessageW(hwnd_, EM_SETREADONLY, c.ReadOnly() ? TRUE : FALSE, 0);
            break;
        case Prop::Checked:
            SendMessageW(hwnd_, BM_SETCHECK, c.Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case Prop::Items:
            if (c.GetKind() == Kind::ComboBox) ApplyItems();
            break;
        case Prop::ItemIndex:
            if (c.GetKind() == Kind::ComboBox) {
                SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(c.ItemIndex()), 0);
            }
            break;
        case Prop::Progress:
            if (!range_set_ || c.Min() != range_min_ || c.Max() != range_max_) {
                range_set_ = true;
                range_min_ = c.Min();
                range_max_ = c.Max();
                SendMessageW(hwnd_, PBM_SETRANGE32, static_cast<WPARAM>(c.Min()),
                             static_cast<LPARAM>(c.Max()));
            }
            SendMessageW(hwnd_, PBM_SETPOS, static_cast<WPARAM>(c.Position()), 0);
            break;
        case Prop::Bitmap: {
            HBITMAP fresh = MakeBitmap(c.Picture());
            SendMessageW(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(fresh));
            if (bitmap_ != nullptr) DeleteObject(bitmap_);
            bitmap_ = fresh;
            ApplyBounds();  // the control sizes itself to the picture; the layout wins
            break;
        }
        case Prop::ZOrder:
            ApplyZOrder();
            break;
        case Prop::Default:
            if (c.GetKind() == Kind::Button) {
                SendMessageW(hwnd_, BM_SETSTYLE, c.Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                             TRUE);
            }
            break;
        case Prop::Focus:
            // Only while the form is the active window: under a message box the focus waits
            // for the form's activation (which restores it from the model).
            if (c.GetKind() == Kind::Form && IsWindowEnabled(hwnd_) && GetActiveWindow() == hwnd_) {
                const TComponent* active = static_cast<const TForm&>(c).ActiveControl();
                HWND target = active != nullptr ? HandleOf(active) : nullptr;
                SetFocus(target != nullptr ? target : hwnd_);
            }
            break;
        case Prop::Cursor:  // read when the mouse moves
        case Prop::Style:   // applied when the control is made
            break;
    }
}

void Realize(TComponent& c) {
    if (c.Peer() != nullptr) return;
    TClassStyle s = ClassFor(c);
    auto peer = std::make_unique<TWin32Peer>(c, nullptr);
    TWin32Peer* p = peer.get();
    c.SetPeer(std::move(peer));
    if (s.cls == nullptr) return;  // menus: made when they pop up

    // A form's "parent" is its owner: the task-bar window, when the program has one.
    HWND parent = c.GetKind() == Kind::Form ? ApplicationWindow() : HandleOf(c.Parent());
    if (c.GetKind() != Kind::Form && parent == nullptr) return;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HMENU id = c.GetKind() == Kind::Form
                   ? nullptr
                   : reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.ControlId()));
    HWND hwnd = CreateWindowExW(s.ex, s.cls, platform::W(c.Caption()), s.style, c.Left(), c.Top(),
                                c.Width(), c.Height(), parent, id, inst, p);
    if (hwnd == nullptr) return;
    p->Attach(hwnd);
    // The backend's own classes store the peer while the window is made; the system's here.
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(p));
    if (c.GetKind() == Kind::RichEdit && RichEditAvailable()) {
        SetWindowSubclass(hwnd, NoFocusProc, 1, 0);
        // Plain text in, plain text shown; the box never offers its own menu or undo.
        SendMessageW(hwnd, EM_SETEVENTMASK, 0, 0);
    }
    p->Changed(Prop::Bounds);  // and the font, which depends on the size
    if (c.GetKind() == Kind::ComboBox) p->Changed(Prop::Items);
    if (c.GetKind() == Kind::ProgressBar) p->Changed(Prop::Progress);
    if (c.GetKind() == Kind::CheckBox && c.Checked()) p->Changed(Prop::Checked);
    if (c.GetKind() == Kind::Image && !c.Picture().Empty()) p->Changed(Prop::Bitmap);
    if (c.GetKind() == Kind::RichEdit && c.GetColor() != kDefaultColor) p->Changed(Prop::Color);
    if (!c.Enabled()) EnableWindow(hwnd, FALSE);

    for (TComponent* child : c.Children()) Realize(*child);
    for (TComponent* child : c.Children()) {
        if (HWND h = HandleOf(child)) {
            SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    }
    if (c.GetKind() != Kind::Form && c.Visible()) ShowWindow(hwnd, SW_SHOWNA);
}

}  // namespace win32
}  // namespace ui
