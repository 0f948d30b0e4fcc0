// Captioning by Tag, the language list and the language chooser.
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "ui/component.h"
#include "ui/services.h"

namespace {

constexpr int kFirstCaptionId = 100001;

// One text property through the control's own character width: an 8-bit control's text goes
// through the system code page both ways, a Unicode control's stays wide.
void Translate(ui::TComponent& c, int id) {
    if (c.AnsiText()) {
        UString current = platform::AnsiToWide(c.AnsiCaption());
        c.SetAnsiCaption(platform::WideToAnsi(Languages.GetTextById(id, current)));
    } else {
        c.SetCaption(Languages.GetTextById(id, c.Caption()));
    }
}

void TranslateOwned(ui::TComponent& owner) {
    for (const auto& owned : owner.Components()) {
        ui::TComponent& c = *owned;
        if (c.Tag >= kFirstCaptionId) {
            switch (c.GetKind()) {
                case ui::Kind::Label:
                case ui::Kind::Edit:
                case ui::Kind::Memo:
                case ui::Kind::Button:
                case ui::Kind::SpeedButton:
                case ui::Kind::CheckBox:
                    Translate(c, c.Tag);
                    break;
                case ui::Kind::PopupMenu:
                    // The items carry their own ids; the menu's Tag only switches them on.
                    for (ui::TComponent* item : c.Children()) {
                        if (item->GetKind() == ui::Kind::MenuItem && item->Tag > 0) {
                            Translate(*item, item->Tag);
                        }
                    }
                    break;
                default:
                    break;
            }
        }
        // Components may own others (a panel made with panel->Add); they belong to the window too.
        TranslateOwned(c);
    }
}

}  // namespace

void TranslateComponent(ui::TComponent& root) {
    if (root.Tag >= kFirstCaptionId) Translate(root, root.Tag);
    TranslateOwned(root);
}

void FillLanguageList(ui::TComponent& combo) {
    combo.BeginUpdate();
    int selected = 0;
    if (const auto* list = Languages.LanguageList()) {
        for (const auto& lang : *list) {
            if (HideRussianLanguage != 0 && lang->LangId == "ru") continue;
            int index = combo.AddItem(lang->DisplayName, lang.get());
            if (lang->LangId == Languages.CurrentLanguage()) selected = index;
        }
    }
    combo.SetItemIndex(combo.Items().empty() ? -1 : selected);
    combo.EndUpdate();
}

void ChooseLanguage() {
    ui::TForm form(u"LanguageForm");
    form.SetCaption(u"Choose your language");
    form.Style = ui::BorderStyle::Dialog;
    form.BorderIcons = 0;
    form.Placement = ui::FormPosition::ScreenCenter;

    ui::TComponent* combo = form.Add(ui::Kind::ComboBox, u"cbLanguage");
    combo->SetBounds(14, 14, 178, 21);
    FillLanguageList(*combo);

    ui::TComponent* ok = form.Add(ui::Kind::Button, u"btnOK");
    ok->SetCaption(u"OK");
    ok->SetBounds(206, 14, 75, combo->Height());
    ok->Default = true;
    ok->ModalResultOnClick = ui::mrOk;

    form.SetClientSize(combo->Width() + 42 + 75, combo->Height() + 28);
    // The list has the focus: the arrow keys choose at once, Enter takes the choice (OK is the
    // default button) and Escape closes the chooser.
    form.SetActiveControl(combo);
    ui::ShowModal(form);

    // OK, Enter, Escape and the close box all count: the list's selection is the choice.
    int index = combo->ItemIndex();
    if (index >= 0) {
        if (const auto* lang = static_cast<const TLanguage*>(combo->ItemData(index))) {
            Languages.SetCurrentLanguage(lang->LangId);
        }
    }
}
