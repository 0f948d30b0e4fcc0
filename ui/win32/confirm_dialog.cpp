// The confirmation dialog: a question icon, the text, and Yes, No, Cancel, No to All, Yes to All.
// Each button's control id is its modal result, so a driver finds it by the answer it gives.
#include "ui/win32/win32_backend.h"
#include <windows.h>

#include <algorithm>

#include "platform/win32/wide.h"
#include "ui/services.h"
#include "ui/win32/gdi.h"

namespace ui {
namespace win32 {
namespace {

SIZE MeasureText(const Font& font, const UString& text, int max_width) {
    RECT r = {0, 0, max_width, 0};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FontFor(font));
    DrawTextW(dc, platform::W(text), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

struct TButtonDef {
    const char16_t* caption;
    int result;
};

// Geometry in pixels.
constexpr int kMargin = 12;
constexpr int kIcon = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 6;
constexpr int kMaxTextWidth = 420;

}  // namespace

// Centred on the screen like the program's other dialogs; every other window of the thread
// waits while it is shown, the owner included.
int RunConfirmDialog(TForm* /*owner*/, const UString& text, const UString& caption) {
    static const TButtonDef kButtons[] = {{u"Yes", mrYes},
                                          {u"No", mrNo},
                                          {u"Cancel", mrCancel},
                                          {u"No to All", mrNoToAll},
                                          {u"Yes to All", mrYesToAll}};
    const int count = static_cast<int>(sizeof(kButtons) / sizeof(kButtons[0]));

    TForm form(u"ConfirmDialog");
    form.SetCaption(caption);
    form.Style = BorderStyle::Dialog;
    form.BorderIcons = biSystemMenu;
    form.Placement = FormPosition::ScreenCenter;

    const SIZE text_size = MeasureText(form.GetFont(), text, kMaxTextWidth);
    const int buttons_width = count * kButtonWidth + (count - 1) * kButtonGap;
    const int text_left = kMargin + kIcon + kMargin;
    const int client_width =
        std::max<int>(text_left + text_size.cx + kMargin, buttons_width + 2 * kMargin);
    const int text_height = std::max<int>(text_size.cy, kIcon);
    const int buttons_top = kMargin + text_height + kMargin + 4;

    TComponent* icon = form.Add(Kind::Image, u"imgIcon");
    icon->SetBounds(kMargin, kMargin, kIcon, kIcon);
    TComponent* label = form.Add(Kind::Label, u"lblMessage");
    label->WordWrap = true;
    label->SetBounds(text_left, kMargin + (text_height - text_size.cy) / 2, text_size.cx + 2,
                     text_size.cy);
    label->SetCaption(text);

    int x = (client_width - buttons_width) / 2;
    for (const TButtonDef& def : kButtons) {
        TComponent* b = form.Add(Kind::Button, u"btn" + UString(def.caption));
        b->SetControlId(def.result);
        b->SetCaption(def.caption);
        b->SetBounds(x, buttons_top, kButtonWidth, kButtonHeight);
        b->ModalResultOnClick = def.result;
        // The system's keys: Enter presses the first button, Escape the Cancel button.
        b->Default = def.result == mrYes;
        b->Cancel = def.result == mrCancel;
        x += kButtonWidth + kButtonGap;
    }
    form.SetClientSize(client_width, buttons_top + kButtonHeight + kMargin);
    // The question icon is a system picture rather than a model bitmap.
    Realize(form);
    if (HWND h = HandleOf(icon)) {
        SetWindowLongPtrW(h, GWL_STYLE, (GetWindowLongPtrW(h, GWL_STYLE) & ~SS_BITMAP) | SS_ICON);
        SendMessageW(h, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, IDI_QUESTION)), 0);
        SetWindowPos(h, nullptr, kMargin, kMargin, kIcon, kIcon, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    int result = ShowModal(form);
    // Closing the dialog in any other way is Cancel.
    return result == mrNone ? mrCancel : result;
}

}  // namespace win32
}  // namespace ui
