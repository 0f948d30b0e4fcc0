// What a test or a window driver asks of the model, apart from what the programs themselves use:
// a component found by name, a memo read line by line, a click as the user would give it.
#include "ui/component.h"

namespace ui {

TComponent* TComponent::FindComponent(const UString& name) const {
    for (const auto& c : owned_) {
        if (c->name_ == name) return c.get();
        if (TComponent* inner = c->FindComponent(name)) return inner;
    }
    return nullptr;
}

std::vector<UString> TComponent::Lines() const {
    std::vector<UString> lines;
    if (caption_.empty()) return lines;
    size_t start = 0;
    for (;;) {
        size_t at = caption_.find(u"\r\n", start);
        if (at == UString::npos) {
            lines.push_back(caption_.substr(start));
            break;
        }
        lines.push_back(caption_.substr(start, at - start));
        start = at + 2;
        if (start == caption_.size()) break;  // a final line break ends the last line
    }
    return lines;
}

void TComponent::Click() {
    if (kind_ == Kind::CheckBox) UserSetChecked(!checked_);
    DoClick();
}

}  // namespace ui
