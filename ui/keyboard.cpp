// The keyboard on a form, as on a system dialog: the active control, the tab order, Enter and
// Escape. Written against the model, so both backends and the tests share one rule.
#include <algorithm>

#include "ui/component.h"

namespace ui {
namespace {

// Position on the form, for the reading order.
void PlaceOnForm(const TComponent& c, int& top, int& left) {
    top = 0;
    left = 0;
    for (const TComponent* p = &c; p != nullptr && p->GetKind() != Kind::Form; p = p->Parent()) {
        top += p->Top();
        left += p->Left();
    }
}

void Collect(const TComponent& owner, const TForm& form, std::vector<TComponent*>& out) {
    for (const auto& c : owner.Components()) {
        if (c->TabStop && form.CanFocus(c.get())) out.push_back(c.get());
        Collect(*c, form, out);
    }
}

TComponent* FindFlagged(const TForm& form, const TComponent& owner, bool TComponent::*flag) {
    for (const auto& c : owner.Components()) {
        if (c->GetKind() == Kind::Button && (*c).*flag && form.CanFocus(c.get())) return c.get();
        if (TComponent* inner = FindFlagged(form, *c, flag)) return inner;
    }
    return nullptr;
}

}  // namespace

void TComponent::SetDefault(bool on) {
    if (Default == on) return;
    Default = on;
    Notify(Prop::Default);
}

// The form's own visibility does not count: a form may say where the focus goes before it is
// shown.
bool TForm::CanFocus(const TComponent* control) const {
    if (control == nullptr || control == this || control->ParentForm() != this) return false;
    switch (control->GetKind()) {
        case Kind::Label:
        case Kind::Panel:
        case Kind::Image:
        case Kind::Separator:
        case Kind::ProgressBar:
        case Kind::PopupMenu:
        case Kind::MenuItem:
            return false;
        default:
            break;
    }
    for (const TComponent* p = control; p != nullptr && p != this; p = p->Parent()) {
        if (!p->Visible() || !p->Enabled()) return false;
    }
    return true;
}

bool TForm::SetActiveControl(TComponent* control) {
    if (!CanFocus(control)) return false;
    active_ = control;
    Notify(Prop::Focus);
    return true;
}

void TForm::UserSetActiveControl(TComponent* control) {
    if (control == nullptr || CanFocus(control)) active_ = control;
}

std::vector<TComponent*> TForm::TabOrder() const {
    std::vector<TComponent*> stops;
    Collect(*this, *this, stops);
    std::stable_sort(stops.begin(), stops.end(), [](const TComponent* a, const TComponent* b) {
        int at, al, bt, bl;
        PlaceOnForm(*a, at, al);
        PlaceOnForm(*b, bt, bl);
        return at != bt ? at < bt : al < bl;
    });
    return stops;
}

bool TForm::FocusNext(bool backwards) {
    const std::vector<TComponent*> stops = TabOrder();
    if (stops.empty()) return false;
    const auto at = std::find(stops.begin(), stops.end(), active_);
    const int n = static_cast<int>(stops.size());
    int next;
    if (at == stops.end()) {
        next = backwards ? n - 1 : 0;
    } else {
        const int i = static_cast<int>(at - stops.begin());
        next = backwards ? (i + n - 1) % n : (i + 1) % n;
    }
    return SetActiveControl(stops[static_cast<size_t>(next)]);
}

void TForm::RestoreFocus() {
    if (CanFocus(active_)) {
        Notify(Prop::Focus);
        return;
    }
    if (SetActiveControl(DefaultButton())) return;
    const std::vector<TComponent*> stops = TabOrder();
    if (!stops.empty()) {
        SetActiveControl(stops.front());
    } else {
        active_ = nullptr;
        Notify(Prop::Focus);
    }
}

TComponent* TForm::DefaultButton() const { return FindFlagged(*this, *this, &TComponent::Default); }

TComponent* TForm::CancelButton() const { return FindFlagged(*this, *this, &TComponent::Cancel); }

bool TForm::PressEnter() {
    TComponent* target =
        CanFocus(active_) && active_->GetKind() == Kind::Button ? active_ : DefaultButton();
    if (target == nullptr) return false;
    target->DoClick();
    return true;
}

void TForm::PressEscape() {
    if (TComponent* cancel = CancelButton()) {
        cancel->DoClick();
        return;
    }
    Close();
}

}  // namespace ui
