#pragma once
// Values shared by the widget model and its backends: kinds, colours, fonts, dialog results.
#include <cstdint>

#include "platform/types.h"

namespace ui {

enum class Kind {
    Form,
    Panel,
    Label,
    Edit,         // single-line edit
    Memo,         // multi-line edit; Text holds the lines joined by CR LF
    Button,       // push button
    SpeedButton,  // flat button that never takes the focus
    CheckBox,
    ComboBox,  // drop-down list: selection only, no typing
    ProgressBar,
    Image,
    Separator,  // horizontal bevel line
    RichEdit,   // rich-text box that never takes the focus
    PopupMenu,
    MenuItem,
};

// 0x00BBGGRR, the layout Windows uses for colours; kDefaultColor leaves the system's colour.
using Color = uint32_t;
constexpr Color kDefaultColor = 0xFF000000u;
constexpr Color Rgb(unsigned r, unsigned g, unsigned b) {
    return static_cast<Color>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr Color kWhite = Rgb(255, 255, 255);

struct Font {
    UString Name = u"Tahoma";
    int Height = 11;  // pixels
    bool Bold = false;
    Color TextColor = kDefaultColor;
    bool operator==(const Font& o) const {
        return Name == o.Name && Height == o.Height && Bold == o.Bold && TextColor == o.TextColor;
    }
    bool operator!=(const Font& o) const { return !(*this == o); }
};

enum class Cursor { Default, Arrow, HourGlass, HandPoint };
enum class ScrollBars { None, Horizontal, Vertical, Both };
enum class TextAlign { Left, Center, Right };

// Anchors: which edges of the parent a control keeps its distance to when the parent resizes.
enum Anchor : unsigned { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

enum class BorderStyle { None, Single, Dialog, Sizeable };
// Border icons of a form, as a bit set.
enum BorderIcon : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };
enum class FormPosition { Designed, ScreenCenter };

// Message box buttons and icons, and the results, with the numbers Windows gives them.
enum MsgButtons : unsigned {
    mbOK = 0,
    mbOKCancel = 1,
    mbAbortRetryIgnore = 2,
    mbYesNoCancel = 3,
    mbYesNo = 4,
    mbRetryCancel = 5,
};
enum MsgIcon : unsigned {
    miNone = 0,
    miError = 0x10,
    miQuestion = 0x20,
    miWarning = 0x30,
    miInformation = 0x40,
};

// Modal results. The confirmation dialog adds No to all and Yes to all after the Windows ones.
enum ModalResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrAll = 8,
    mrNoToAll = 9,
    mrYesToAll = 10,
};

}  // namespace ui
