#pragma once
// Internals shared by the files of the Windows backend.
#include <windows.h>
// The model has its own MessageBox; the system's is called by its wide name.
#undef MessageBox

#include "ui/backend.h"
#include "ui/component.h"

namespace ui {
namespace win32 {

// The real window of one component. Forms and panels are windows of the backend's own classes;
// the other controls are the system's (comctl32 version 6 when the program's manifest asks for
// it). A menu has no window until it pops up.
class TWin32Peer : public TPeer {
  public:
    TWin32Peer(TComponent& component, HWND hwnd);
    ~TWin32Peer() override;
    void Changed(Prop what) override;

    HWND Handle() const { return hwnd_; }
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    TComponent& Component() const { return component_; }
    // True while the peer itself writes to the control (its change notices are not the user's).
    bool Writing() const { return writing_; }

  private:
    void WriteText();
    void AppendText();
    void ApplyFont();
    Font FittingFont() const;
    void ApplyItems();
    void ApplyBounds();
    void ApplyZOrder();

    TComponent& component_;
    HWND hwnd_;
    bool writing_ = false;
    HBITMAP bitmap_ = nullptr;
    HFONT font_ = nullptr;    // the font last sent to the control
    bool range_set_ = false;  // a progress bar's range as last sent
    int range_min_ = 0, range_max_ = 0;
};

// Makes the real window of the component and of everything placed on it.
void Realize(TComponent& component);
HWND HandleOf(const TComponent* component);
TWin32Peer* PeerOf(HWND hwnd);
// The colour a control's background shows: its own, else its parent's, else the system's.
Color EffectiveColor(const TComponent& component);

// Tab, Shift+Tab, Enter and Escape for the form the message is for; true when the key was used.
bool HandleDialogKey(const MSG& msg);
// Tells the form which of its controls has the real focus (the user may have moved it).
void SyncActiveControl(TForm& form);

// The program's task-bar window: no size, captioned with the application title, owner of every
// form so that one button stands for them all. Made on first use; none (null) while the program
// has no title.
HWND ApplicationWindow();

void RegisterClasses();
extern const wchar_t kFormClass[];
extern const wchar_t kPanelClass[];

// The confirmation dialog, made of model components and shown modally.
int RunConfirmDialog(TForm* owner, const UString& text, const UString& caption);

TBackend& Backend();

}  // namespace win32
}  // namespace ui
