#pragma once
// The widget model: components with an owner, a parent, a Tag and a kind. Every property is plain
// model state; a backend peer mirrors it onto a real control, and writes back what the user
// changes (typed text, a picked item, a ticked box) before the change event runs.
#include <functional>
#include <memory>
#include <vector>

#include "ui/bitmap.h"
#include "ui/types.h"

namespace ui {

class TComponent;
class TForm;

// What changed, for the backend peer.
enum class Prop {
    Caption,
    Bounds,
    Visible,
    Enabled,
    Font,
    Color,
    Cursor,
    ReadOnly,
    Checked,
    Items,
    ItemIndex,
    Progress,
    Bitmap,
    ZOrder,
    Style,  // word wrap, tab stop, scroll bars, alignment, border: applied when the control is made
    Appended,  // text added at the end of the caption: the last AppendedLength() characters
    Default,   // a button became (or stopped being) the one Enter presses
    Focus,     // a form's active control changed: the real focus follows it
};

// A backend's mirror of one component.
class TPeer {
  public:
    virtual ~TPeer() = default;
    virtual void Changed(Prop what) = 0;
};

using TNotifyEvent = std::function<void(TComponent& sender)>;

class TComponent {
  public:
    TComponent(Kind kind, TComponent* owner, TComponent* parent, const UString& name);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Makes a component owned by this one (freed with it) and placed on parent (this when null).
    TComponent* Add(Kind kind, const UString& name, TComponent* parent = nullptr);

    Kind GetKind() const { return kind_; }
    TComponent* Owner() const { return owner_; }
    TComponent* Parent() const { return parent_; }
    const UString& Name() const { return name_; }
    // The form this component lives on (itself for a form).
    TForm* ParentForm();
    const TForm* ParentForm() const { return const_cast<TComponent*>(this)->ParentForm(); }
    // Components this one owns, in creation order (all depths of parent nesting of a form).
    const std::vector<std::unique_ptr<TComponent>>& Components() const { return owned_; }
    // Placed children, back to front.
    const std::vector<TComponent*>& Children() const { return children_; }
    TComponent* FindComponent(const UString& name) const;
    TComponent* FindByControlId(int id) const;

    int Tag = 0;
    // A control id, unique on its form, so that an outside driver can find the real control.
    int ControlId() const { return control_id_; }
    void SetControlId(int id) { control_id_ = id; }

    // Caption of a form, label, button, box, menu item; text of an edit, memo, rich edit.
    const UString& Caption() const { return caption_; }
    void SetCaption(const UString& text);
    const UString& Text() const { return caption_; }
    void SetText(const UString& text) { SetCaption(text); }
    // A control that holds 8-bit text in the system code page: what it keeps is the caption
    // narrowed (characters the code page lacks are lost, as in a real 8-bit control).
    bool AnsiText() const { return ansi_; }
    void SetAnsiText(bool on);
    AnsiString AnsiCaption() const;
    void SetAnsiCaption(const AnsiString& text);

    // Memo lines.
    std::vector<UString> Lines() const;
    // Adds lines at the end; the peer is told only what was added (once for all of them), so a
    // log of many thousand lines costs the same per line as a short one.
    void AppendLine(const UString& line) { AppendLines({line}); }
    void AppendLines(const std::vector<UString>& lines);
    size_t AppendedLength() const { return appended_; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetBounds(int left, int top, int width, int height);
    void SetPos(int left, int top) { SetBounds(left, top, width_, height_); }
    void SetSize(int width, int height) { SetBounds(left_, top_, width, height); }

    bool Visible() const { return visible_; }
    void SetVisible(bool on);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    // Visible with every parent visible / enabled with every parent enabled.
    bool Showing() const;
    bool EffectivelyEnabled() const;

    Cursor GetCursor() const { return cursor_; }
    void SetCursor(Cursor c);
    const Font& GetFont() const { return font_; }
    void SetFont(const Font& f);
    Color GetColor() const { return color_; }
    void SetColor(Color c);

    // Style, applied when the real control is made.
    bool WordWrap = false;
    bool TabStop = true;
    bool Border = true;  // edit, memo, rich edit: a sunken border; panel: a bevel
    ScrollBars Scroll = ScrollBars::None;
    TextAlign Alignment = TextAlign::Left;
    unsigned Anchors = akLeft | akTop;
    bool Default = false;             // the button Enter presses (SetDefault once shown)
    bool Cancel = false;              // the button Escape presses
    int ModalResultOnClick = mrNone;  // a button that closes its modal form with this result
    void SetDefault(bool on);
    void StyleChanged() { Notify(Prop::Style); }

    bool ReadOnly() const { return read_only_; }
    void SetReadOnly(bool on);

    void BringToFront();
    void SendToBack();

    // Check box.
    bool Checked() const { return checked_; }
    void SetChecked(bool on);

    // Combo box: items with an attached pointer (borrowed), selected index (-1: none).
    const std::vector<UString>& Items() const { return items_; }
    void* ItemData(int index) const;
    int AddItem(const UString& text, void* data = nullptr);
    void ClearItems();
    int ItemIndex() const { return item_index_; }
    void SetItemIndex(int index);
    // Changes between these reach the peer once, at the end.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

    // Progress bar.
    int Position() const { return position_; }
    void SetPosition(int pos);
    int Min() const { return min_; }
    int Max() const { return max_; }
    void SetRange(int min, int max);

    // Image.
    const TBitmap& Picture() const { return picture_; }
    void SetPicture(TBitmap bmp);

    // A control's popup menu (borrowed; owned by the form).
    TComponent* PopupMenu = nullptr;

    TNotifyEvent OnClick;
    TNotifyEvent OnChange;
    // Runs OnClick as a user's click would (a check box toggles first; a button with
    // ModalResultOnClick then closes its modal form).
    void Click();
    // The same after the real control has already toggled itself.
    void DoClick();

    // Backend side.
    TPeer* Peer() const { return peer_.get(); }
    void SetPeer(std::unique_ptr<TPeer> peer) { peer_ = std::move(peer); }
    // The user changed the value in the real control: update the model and run OnChange,
    // without echoing the change back to the control.
    void UserSetText(const UString& text);
    void UserSetChecked(bool on);
    void UserSetItemIndex(int index);

  protected:
    void Notify(Prop what);

  private:
    void Unplace(TComponent* child);
    void KeepFocus();

    Kind kind_;
    TComponent* owner_;
    TComponent* parent_;
    UString name_;
    int control_id_ = 0;
    std::vector<std::unique_ptr<TComponent>> owned_;
    std::vector<TComponent*> children_;
    UString caption_;
    size_t appended_ = 0;
    bool ansi_ = false;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    bool read_only_ = false;
    Cursor cursor_ = Cursor::Default;
    Font font_;
    Color color_ = kDefaultColor;
    bool checked_ = false;
    std::vector<UString> items_;
    std::vector<void*> item_data_;
    int item_index_ = -1;
    int updating_ = 0;
    bool items_dirty_ = false;
    int position_ = 0, min_ = 0, max_ = 100;
    TBitmap picture_;
    std::unique_ptr<TPeer> peer_;
};

class TForm : public TComponent {
  public:
    explicit TForm(const UString& name = u"Form");
    ~TForm() override;

    BorderStyle Style = BorderStyle::Single;
    unsigned BorderIcons = biSystemMenu;
    FormPosition Placement = FormPosition::ScreenCenter;
    // The window's client area; a form's Width/Height mirror it.
    void SetClientSize(int width, int height) { SetSize(width, height); }
    int ClientWidth() const { return Width(); }
    int ClientHeight() const { return Height(); }

    TNotifyEvent OnCreate;
    std::function<void(TForm& sender, bool& can_close)> OnCloseQuery;
    TNotifyEvent OnClose;

    // Runs OnCreate once (the backends call it before the form is first shown).
    void Created();
    // Asks OnCloseQuery; when allowed runs OnClose, hides the form and ends its modal or main
    // loop. Returns whether it closed. A modal form without a result gets mrCancel.
    bool Close();
    bool Closed() const { return closed_; }
    int ModalResult = mrNone;
    // Sets the result of a modal form, which then closes (through OnCloseQuery).
    void SetModalResult(int result);

    // The keyboard, as on a system dialog. The active control is the one with the focus; a
    // backend moves the real focus to it and reports the user's own moves with
    // UserSetActiveControl. It is only ever a control that can take the focus: visible and
    // enabled with all its parents, on this form.
    TComponent* ActiveControl() const { return active_; }
    // False (and nothing changes) when the control cannot take the focus.
    bool SetActiveControl(TComponent* control);
    void UserSetActiveControl(TComponent* control);
    bool CanFocus(const TComponent* control) const;
    // The tab stops that can take the focus, in reading order (top to bottom, then left to
    // right): hidden and disabled controls, and those on hidden or disabled panels, are left out.
    std::vector<TComponent*> TabOrder() const;
    // Tab and Shift+Tab: the next (previous) tab stop after the active control, round.
    bool FocusNext(bool backwards);
    // Where the active control can no longer take the focus (hidden, disabled, gone), the focus
    // goes to the default button, else to the first tab stop; the backend is told either way,
    // so that the real focus is where the model says after a dialog of the system took it.
    void RestoreFocus();
    // Enter: a focused button presses itself, otherwise the visible, enabled default button.
    bool PressEnter();
    // Escape: the visible, enabled Cancel button, otherwise what the close box does.
    void PressEscape();
    // The visible, enabled button with Default (Cancel) set, or null.
    TComponent* DefaultButton() const;
    TComponent* CancelButton() const;

    // For backends: the form is about to be shown again (modal or as main form); it is modal
    // while ShowModal runs; ids for new components; the hook that makes the real control of a
    // component added after the form's window exists.
    void Reopen();
    bool Modal = false;
    int AllocateControlId();
    std::function<void(TComponent&)> OnComponentAdded;

  private:
    bool created_ = false;
    bool closed_ = false;
    TComponent* active_ = nullptr;
    int next_id_ = 1000;
};

}  // namespace ui
