#include "ui/component.h"

#include <algorithm>

#include "platform/codepage.h"

namespace ui {

TComponent::TComponent(Kind kind, TComponent* owner, TComponent* parent, const UString& name)
    : kind_(kind), owner_(owner), parent_(parent), name_(name) {
    if (parent_ != nullptr) parent_->children_.push_back(this);
    if (kind_ == Kind::Form) font_ = Font();
    if (kind_ == Kind::ProgressBar) max_ = 100;
    // Labels, panels, pictures and lines never take the keyboard focus.
    if (kind_ == Kind::Label || kind_ == Kind::Panel || kind_ == Kind::Image ||
        kind_ == Kind::Separator || kind_ == Kind::ProgressBar || kind_ == Kind::SpeedButton ||
        kind_ == Kind::PopupMenu || kind_ == Kind::MenuItem) {
        TabStop = false;
    }
    if (kind_ == Kind::Label || kind_ == Kind::CheckBox || kind_ == Kind::Button ||
        kind_ == Kind::SpeedButton) {
        Border = false;
    }
}

TComponent::~TComponent() {
    // Owned components go first, newest first, so no real control outlives its model or is
    // destroyed after its parent window.
    while (!owned_.empty()) owned_.pop_back();
    peer_.reset();
    for (TComponent* child : children_) child->parent_ = nullptr;
    if (parent_ != nullptr) parent_->Unplace(this);
}

void TComponent::Unplace(TComponent* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

TComponent* TComponent::Add(Kind kind, const UString& name, TComponent* parent) {
    if (kind == Kind::Form) return nullptr;  // forms are made on their own, never owned
    owned_.push_back(
        std::make_unique<TComponent>(kind, this, parent != nullptr ? parent : this, name));
    TComponent* c = owned_.back().get();
    TForm* form = ParentForm();
    if (form != nullptr) {
        c->control_id_ = form->AllocateControlId();
        c->font_ = c->parent_->font_;
        if (form->OnComponentAdded) form->OnComponentAdded(*c);
    }
    return c;
}

TForm* TComponent::ParentForm() {
    TComponent* c = this;
    while (c != nullptr && c->kind_ != Kind::Form) c = c->owner_;
    return static_cast<TForm*>(c);
}

TComponent* TComponent::FindByControlId(int id) const {
    for (const auto& c : owned_) {
        if (c->control_id_ == id) return c.get();
        if (TComponent* inner = c->FindByControlId(id)) return inner;
    }
    return nullptr;
}

void TComponent::Notify(Prop what) {
    if (updating_ > 0 && (what == Prop::Items || what == Prop::ItemIndex)) {
        items_dirty_ = true;
        return;
    }
    if (peer_) peer_->Changed(what);
}

void TComponent::SetCaption(const UString& text) {
    UString kept = ansi_ ? platform::AnsiToWide(platform::WideToAnsi(text)) : text;
    if (kept == caption_) return;
    caption_ = std::move(kept);
    Notify(Prop::Caption);
}

void TComponent::SetAnsiText(bool on) {
    ansi_ = on;
    if (on) SetCaption(caption_);
}

AnsiString TComponent::AnsiCaption() const { return platform::WideToAnsi(caption_); }

void TComponent::SetAnsiCaption(const AnsiString& text) { SetCaption(platform::AnsiToWide(text)); }

void TComponent::AppendLines(const std::vector<UString>& lines) {
    if (lines.empty()) return;
    const size_t before = caption_.size();
    if (!caption_.empty() &&
        (caption_.size() < 2 || caption_.compare(caption_.size() - 2, 2, u"\r\n") != 0)) {
        caption_ += u"\r\n";
    }
    for (const UString& line : lines) {
        caption_ += ansi_ ? platform::AnsiToWide(platform::WideToAnsi(line)) : line;
        caption_ += u"\r\n";
    }
    appended_ = caption_.size() - before;
    Notify(Prop::Appended);
}

void TComponent::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Notify(Prop::Bounds);
}

void TComponent::SetVisible(bool on) {
    if (on == visible_) return;
    visible_ = on;
    Notify(Prop::Visible);
    if (!on) KeepFocus();
}

void TComponent::SetEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    Notify(Prop::Enabled);
    if (!on) KeepFocus();
}

// A control that had the focus and can no longer take it (it, or the panel it is on, was hidden
// or disabled) hands it on, so that the keyboard never goes nowhere.
void TComponent::KeepFocus() {
    TForm* form = ParentForm();
    if (form == nullptr || form == this) return;
    TComponent* active = form->ActiveControl();
    if (active != nullptr && !form->CanFocus(active)) form->RestoreFocus();
}

bool TComponent::Showing() const {
    for (const TComponent* c = this; c != nullptr; c = c->parent_) {
        if (!c->visible_) return false;
    }
    return true;
}

bool TComponent::EffectivelyEnabled() const {
    for (const TComponent* c = this; c != nullptr; c = c->parent_) {
        if (!c->enabled_) return false;
    }
    return true;
}

void TComponent::SetCursor(Cursor c) {
    if (c == cursor_) return;
    cursor_ = c;
    Notify(Prop::Cursor);
}

void TComponent::SetFont(const Font& f) {
    if (f == font_) return;
    font_ = f;
    Notify(Prop::Font);
}

void TComponent::SetColor(Color c) {
    if (c == color_) return;
    color_ = c;
    Notify(Prop::Color);
}

void TComponent::SetReadOnly(bool on) {
    if (on == read_only_) return;
    read_only_ = on;
    Notify(Prop::ReadOnly);
}

void TComponent::BringToFront() {
    if (parent_ == nullptr) return;
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.push_back(this);
    Notify(Prop::ZOrder);
}

void TComponent::SendToBack() {
    if (parent_ == nullptr) return;
    auto& list = parent_->children_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    list.insert(list.begin(), this);
    Notify(Prop::ZOrder);
}

void TComponent::SetChecked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    Notify(Prop::Checked);
}

void* TComponent::ItemData(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= item_data_.size()) return nullptr;
    return item_data_[static_cast<size_t>(index)];
}

int TComponent::AddItem(const UString& text, void* data) {
    items_.push_back(ansi_ ? platform::AnsiToWide(platform::WideToAnsi(text)) : text);
    item_data_.push_back(data);
    Notify(Prop::Items);
    return static_cast<int>(items_.size()) - 1;
}

void TComponent::ClearItems() {
    items_.clear();
    item_data_.clear();
    item_index_ = -1;
    Notify(Prop::Items);
}

void TComponent::SetItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    if (index == item_index_) return;
    item_index_ = index;
    Notify(Prop::ItemIndex);
}

void TComponent::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0 && items_dirty_) {
        items_dirty_ = false;
        Notify(Prop::Items);
    }
}

void TComponent::SetPosition(int pos) {
    pos = std::max(min_, std::min(max_, pos));
    if (pos == position_) return;
    position_ = pos;
    Notify(Prop::Progress);
}

void TComponent::SetRange(int min, int max) {
    if (max < min) std::swap(min, max);
    min_ = min;
    max_ = max;
    position_ = std::max(min_, std::min(max_, position_));
    Notify(Prop::Progress);
}

void TComponent::SetPicture(TBitmap bmp) {
    picture_ = std::move(bmp);
    Notify(Prop::Bitmap);
}

void TComponent::DoClick() {
    if (OnClick) OnClick(*this);
    if (ModalResultOnClick != mrNone) {
        if (TForm* form = ParentForm()) form->SetModalResult(ModalResultOnClick);
    }
}

void TComponent::UserSetText(const UString& text) {
    if (text == caption_) return;
    caption_ = text;
    if (OnChange) OnChange(*this);
}

void TComponent::UserSetChecked(bool on) {
    if (on == checked_) return;
    checked_ = on;
    if (peer_) peer_->Changed(Prop::Checked);
    if (OnChange) OnChange(*this);
}

void TComponent::UserSetItemIndex(int index) {
    if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
    if (index == item_index_) return;
    item_index_ = index;
    if (OnChange) OnChange(*this);
}

TForm::TForm(const UString& name) : TComponent(Kind::Form, nullptr, nullptr, name) {
    SetVisible(false);
}

TForm::~TForm() = default;

int TForm::AllocateControlId() { return next_id_++; }

void TForm::Created() {
    if (created_) return;
    created_ = true;
    if (OnCreate) OnCreate(*this);
}

bool TForm::Close() {
    bool can_close = true;
    if (OnCloseQuery) OnCloseQuery(*this, can_close);
    if (!can_close) return false;
    if (Modal && ModalResult == mrNone) ModalResult = mrCancel;
    if (OnClose) OnClose(*this);
    closed_ = true;
    SetVisible(false);
    return true;
}

void TForm::SetModalResult(int result) {
    ModalResult = result;
    if (!Close()) ModalResult = mrNone;
}

void TForm::Reopen() {
    closed_ = false;
    ModalResult = mrNone;
}

}  // namespace ui
