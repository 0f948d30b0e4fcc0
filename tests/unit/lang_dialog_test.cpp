// Captioning by Tag, the language list and the chooser, on the in-memory widgets.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lang/ulng.h"
#include "platform/codepage.h"
#include "ui/headless/headless.h"

namespace {

using ui::Kind;
namespace hl = ui::headless;

const char* const kPack =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><pack>"
    "<lang langid=\"ru\" langname=\"Русский\" engname=\"Russian\"><s id=\"100045\">Далее</s></lang>"
    "<lang langid=\"en\" langname=\"English\" engname=\"English\">"
    "<s id=\"100000\">never</s><s id=\"100001\">Caption one</s><s id=\"100002\">Label two</s>"
    "<s id=\"100003\">memo line 1\\nmemo line 2</s><s id=\"100004\">Проверка 日本</s>"
    "<s id=\"5\">Item five</s><s id=\"100009\">Form title</s></lang>"
    "<lang langid=\"de\" langname=\"Deutsch\" engname=\"German\"><s id=\"100045\">Weiter</s></lang>"
    "</pack>";

class LangUiTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hl::Reset();
        ASSERT_TRUE(Languages.LoadFromString(kPack));
        Languages.SetCurrentLanguage("en");
        HideRussianLanguage = 0;
    }
    void TearDown() override {
        HideRussianLanguage = 0;
        EXPECT_EQ(hl::PendingModals(), 0u) << "a prepared dialog was never shown";
        hl::Reset();
    }
};

TEST_F(LangUiTest, TranslateComponentByTag) {
    ui::TForm form;
    form.SetCaption(u"design");
    form.Tag = 100009;
    auto* panel = form.Add(Kind::Panel, u"p");
    panel->Tag = 100001;  // panels keep their caption
    panel->SetCaption(u"panel");
    auto* untouched = form.Add(Kind::Button, u"b0", panel);
    untouched->Tag = 100000;
    untouched->SetCaption(u"design 0");
    auto* button = form.Add(Kind::Button, u"b1", panel);
    button->Tag = 100001;
    button->SetCaption(u"design 1");
    // Owned by the panel rather than the form: still part of the window.
    auto* label = panel->Add(Kind::Label, u"l2");
    label->Tag = 100002;
    auto* memo = form.Add(Kind::Memo, u"m");
    memo->Tag = 100003;
    memo->SetText(u"old\r\nlines\r\n");
    auto* missing = form.Add(Kind::CheckBox, u"c");
    missing->Tag = 100077;
    missing->SetCaption(u"no text for me");
    auto* combo = form.Add(Kind::ComboBox, u"cb");
    combo->Tag = 100001;
    combo->SetCaption(u"combo");

    TranslateComponent(form);
    EXPECT_EQ(form.Caption(), u"Form title");
    EXPECT_EQ(panel->Caption(), u"panel");
    EXPECT_EQ(untouched->Caption(), u"design 0");
    EXPECT_EQ(button->Caption(), u"Caption one");
    EXPECT_EQ(label->Caption(), u"Label two");
    EXPECT_EQ(memo->Lines(), (std::vector<UString>{u"memo line 1", u"memo line 2"}));
    EXPECT_EQ(missing->Caption(), u"no text for me");
    EXPECT_EQ(combo->Caption(), u"combo");
}

TEST_F(LangUiTest, PopupItemsUseTheirOwnTags) {
    ui::TForm form;
    auto* on = form.Add(Kind::PopupMenu, u"pmOn");
    on->Tag = 100001;
    auto* zero = form.Add(Kind::MenuItem, u"i0", on);
    zero->SetCaption(u"keep me");
    auto* five = form.Add(Kind::MenuItem, u"i5", on);
    five->Tag = 5;
    five->SetCaption(u"five");
    auto* off = form.Add(Kind::PopupMenu, u"pmOff");
    off->Tag = 0;
    auto* five_off = form.Add(Kind::MenuItem, u"j5", off);
    five_off->Tag = 5;
    five_off->SetCaption(u"menu not tagged");

    TranslateComponent(form);
    EXPECT_EQ(on->Caption(), u"");
    EXPECT_EQ(zero->Caption(), u"keep me");
    EXPECT_EQ(five->Caption(), u"Item five");
    EXPECT_EQ(five_off->Caption(), u"menu not tagged");
}

TEST_F(LangUiTest, EightBitControlsGoThroughTheAnsiCodePage) {
    // Natively the code page comes from the environment: act as a Cyrillic Windows system.
    // Under Windows the process's own ANSI code page decides and the variable means nothing.
    static char cyrillic[] = "ZM_CODEPAGE=1251";
    static char restore[] = "ZM_CODEPAGE=";
    putenv(cyrillic);
    const unsigned page = platform::SystemCodePage();
    ui::TForm form;
    auto* narrow = form.Add(Kind::Label, u"narrow");
    narrow->SetAnsiText(true);
    narrow->Tag = 100004;
    auto* wide = form.Add(Kind::Label, u"wide");
    wide->Tag = 100004;
    auto* keep = form.Add(Kind::Button, u"keep");
    keep->SetAnsiText(true);
    keep->Tag = 100088;
    keep->SetAnsiCaption(page == 1251 ? "\xCE\xE1\xE7\xEE\xF0" : "Ok\xE9");

    TranslateComponent(form);
    EXPECT_EQ(wide->Caption(), u"Проверка 日本");
    if (page == 1251) {
        EXPECT_EQ(narrow->Caption(), u"Проверка ??");
        EXPECT_EQ(narrow->AnsiCaption(), "\xCF\xF0\xEE\xE2\xE5\xF0\xEA\xE0 ??");
        EXPECT_EQ(keep->Caption(), u"Обзор") << "the 8-bit default is read through the code page";
    } else if (page == 1252) {
        EXPECT_EQ(narrow->Caption(), u"???????? ??");
        EXPECT_EQ(keep->Caption(), u"Ok\u00e9");
    } else {
        ADD_FAILURE() << "no expectation for code page " << page;
    }
    putenv(restore);
}

TEST_F(LangUiTest, LanguageListPreselectsOnlyTheExactId) {
    ui::TForm form;
    auto* combo = form.Add(Kind::ComboBox, u"cb");
    Languages.SetCurrentLanguage("de");
    FillLanguageList(*combo);
    EXPECT_EQ(combo->Items(), (std::vector<UString>{u"Русский (Russian)", u"English (English)",
                                                    u"Deutsch (German)"}));
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(static_cast<TLanguage*>(combo->ItemData(2))->LangId, "de");

    auto* other = form.Add(Kind::ComboBox, u"cb2");
    Languages.SetCurrentLanguage("EN");
    FillLanguageList(*other);
    EXPECT_EQ(other->ItemIndex(), 0) << "lookups match EN case-insensitively, the list does not";
    EXPECT_EQ(Languages.GetTextById(100001, u"x"), u"Caption one");

    HideRussianLanguage = 1;
    Languages.SetCurrentLanguage("de");
    auto* hidden = form.Add(Kind::ComboBox, u"cb3");
    FillLanguageList(*hidden);
    EXPECT_EQ(hidden->Items(), (std::vector<UString>{u"English (English)", u"Deutsch (German)"}));
    EXPECT_EQ(hidden->ItemIndex(), 1);
}

// Finds the dialog's controls by kind, as a person sees them.
ui::TComponent* FirstOf(ui::TForm& form, Kind kind) {
    for (const auto& c : form.Components()) {
        if (c->GetKind() == kind) return c.get();
    }
    return nullptr;
}

TEST_F(LangUiTest, ChooserLayoutAndOk) {
    Languages.SetCurrentLanguage("en");
    hl::OnNextModal([](ui::TForm& f) {
        EXPECT_EQ(f.Caption(), u"Choose your language");
        EXPECT_EQ(f.BorderIcons, 0u);
        EXPECT_EQ(f.Style, ui::BorderStyle::Dialog);
        EXPECT_EQ(f.Placement, ui::FormPosition::ScreenCenter);
        ui::TComponent* combo = FirstOf(f, Kind::ComboBox);
        ui::TComponent* ok = FirstOf(f, Kind::Button);
        ASSERT_NE(combo, nullptr);
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(combo->Left(), 14);
        EXPECT_EQ(combo->Top(), 14);
        EXPECT_EQ(combo->Width(), 178);
        EXPECT_EQ(combo->GetFont().Name, u"Tahoma");
        EXPECT_EQ(ok->Caption(), u"OK");
        EXPECT_EQ(ok->Left(), 206);
        EXPECT_EQ(ok->Top(), 14);
        EXPECT_EQ(ok->Width(), 75);
        EXPECT_EQ(ok->Height(), combo->Height());
        EXPECT_EQ(f.ClientWidth(), 295);
        EXPECT_EQ(f.ClientHeight(), combo->Height() + 28);
        EXPECT_EQ(combo->ItemIndex(), 1);
        EXPECT_TRUE(hl::PickItem(*combo, 2));
        EXPECT_TRUE(hl::Click(*ok));
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "de");
    EXPECT_EQ(Languages.GetTextById(100045, u"x"), u"Weiter");
}

TEST_F(LangUiTest, ChooserAppliesTheSelectionHoweverClosed) {
    hl::OnNextModal([](ui::TForm& f) {
        EXPECT_TRUE(hl::PickItem(*FirstOf(f, Kind::ComboBox), 0));
        EXPECT_TRUE(hl::CloseBox(f));
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "ru");

    hl::OnNextModal([](ui::TForm& f) {
        EXPECT_TRUE(hl::PickItem(*FirstOf(f, Kind::ComboBox), 1));
        EXPECT_TRUE(hl::PressEnter(f));
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "en");

    // The list has the focus when the chooser opens; Escape closes it, and the choice counts.
    hl::OnNextModal([](ui::TForm& f) {
        EXPECT_EQ(f.ActiveControl(), FirstOf(f, Kind::ComboBox));
        EXPECT_TRUE(hl::PickItem(*FirstOf(f, Kind::ComboBox), 0));
        hl::PressEscape(f);
        EXPECT_TRUE(f.Closed());
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "ru");
}

TEST_F(LangUiTest, ChooserWithoutPackOrWithRussianHidden) {
    HideRussianLanguage = 1;
    Languages.SetCurrentLanguage("ru");
    hl::OnNextModal([](ui::TForm& f) {
        ui::TComponent* combo = FirstOf(f, Kind::ComboBox);
        EXPECT_EQ(combo->Items().size(), 2u);
        EXPECT_EQ(combo->ItemIndex(), 0) << "the current language is not listed: first item";
        EXPECT_TRUE(hl::CloseBox(f));
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "en");

    // Nothing loaded: an empty list, and closing keeps the current language.
    TLanguages empty;
    ASSERT_FALSE(Languages.LoadFromString("<not a pack"));  // the old pack stays
    ASSERT_TRUE(Languages.LoadFromString("<p/>"));
    Languages.SetCurrentLanguage("pl");
    hl::OnNextModal([](ui::TForm& f) {
        EXPECT_TRUE(FirstOf(f, Kind::ComboBox)->Items().empty());
        EXPECT_EQ(FirstOf(f, Kind::ComboBox)->ItemIndex(), -1);
        EXPECT_TRUE(hl::CloseBox(f));
    });
    ChooseLanguage();
    EXPECT_EQ(Languages.CurrentLanguage(), "pl");
}

}  // namespace
