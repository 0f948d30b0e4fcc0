// The widget model and the in-memory backend as the wizard's tests will use them.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/folderdlg.h"
#include "ui/headless/headless.h"
#include "ui/services.h"

namespace {

using ui::Kind;
namespace hl = ui::headless;

class UiTest : public ::testing::Test {
  protected:
    void SetUp() override { hl::Reset(); }
    void TearDown() override {
        EXPECT_EQ(hl::PendingAnswers(), 0u) << "a prepared answer was never asked for";
        EXPECT_EQ(hl::PendingModals(), 0u) << "a prepared form handler was never used";
        hl::Reset();
    }
};

TEST_F(UiTest, OwnershipPlacementAndZOrder) {
    ui::TForm form(u"MainForm");
    auto* pbase = form.Add(Kind::Panel, u"pbase");
    auto* page0 = form.Add(Kind::Panel, u"pFirst", pbase);
    auto* page1 = form.Add(Kind::Panel, u"pInstall", pbase);
    auto* label = page1->Add(Kind::Label, u"lblInstallCaption");
    EXPECT_EQ(label->Owner(), page1);
    EXPECT_EQ(label->Parent(), page1);
    EXPECT_EQ(label->ParentForm(), &form);
    EXPECT_EQ(page0->Owner(), &form);
    EXPECT_EQ(page0->Parent(), pbase);
    EXPECT_EQ(form.FindComponent(u"lblInstallCaption"), label);
    EXPECT_EQ(form.FindByControlId(label->ControlId()), label);
    EXPECT_NE(page0->ControlId(), page1->ControlId());

    EXPECT_EQ(pbase->Children(), (std::vector<ui::TComponent*>{page0, page1}));
    page0->BringToFront();
    EXPECT_EQ(pbase->Children().back(), page0);
    page0->SendToBack();
    EXPECT_EQ(pbase->Children().front(), page0);

    // Showing and enabled follow the parents, as the real controls do.
    page1->SetEnabled(true);
    pbase->SetEnabled(false);
    EXPECT_TRUE(label->Enabled());
    EXPECT_FALSE(label->EffectivelyEnabled());
    pbase->SetEnabled(true);
    form.Show();
    page1->Hide();
    EXPECT_FALSE(label->Showing());
    EXPECT_TRUE(page0->Showing());
}

TEST_F(UiTest, ValuesKeepTheirRanges) {
    ui::TForm form;
    auto* bar = form.Add(Kind::ProgressBar, u"bar");
    bar->SetPosition(150);
    EXPECT_EQ(bar->Position(), 100);
    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    bar->SetRange(10, 20);
    EXPECT_EQ(bar->Position(), 10);

    auto* combo = form.Add(Kind::ComboBox, u"combo");
    combo->AddItem(u"a");
    combo->AddItem(u"b");
    combo->SetItemIndex(5);
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->ItemIndex(), 1);
    combo->ClearItems();
    EXPECT_EQ(combo->ItemIndex(), -1);

    auto* memo = form.Add(Kind::Memo, u"log");
    EXPECT_TRUE(memo->Lines().empty());
    memo->AppendLine(u"first");
    memo->AppendLine(u"");
    memo->AppendLine(u"dir/second.txt");
    EXPECT_EQ(memo->Lines(), (std::vector<UString>{u"first", u"", u"dir/second.txt"}));
    memo->SetText(u"no break at end");
    memo->AppendLine(u"next");
    EXPECT_EQ(memo->Lines(), (std::vector<UString>{u"no break at end", u"next"}));
}

TEST_F(UiTest, UserActionsRespectHiddenAndDisabledControls) {
    ui::TForm form;
    form.Show();
    auto* panel = form.Add(Kind::Panel, u"p");
    auto* button = form.Add(Kind::Button, u"b", panel);
    int clicks = 0;
    button->OnClick = [&](ui::TComponent& sender) {
        EXPECT_EQ(&sender, button);
        ++clicks;
    };
    EXPECT_TRUE(hl::Click(*button));
    panel->SetEnabled(false);
    EXPECT_FALSE(hl::Click(*button));
    panel->SetEnabled(true);
    button->Hide();
    EXPECT_FALSE(hl::Click(*button));
    EXPECT_EQ(clicks, 1);

    auto* box = form.Add(Kind::CheckBox, u"chk");
    int changes = 0;
    box->OnChange = [&](ui::TComponent&) { ++changes; };
    box->SetChecked(true);
    EXPECT_EQ(changes, 0) << "the program's own change is no user change";
    EXPECT_TRUE(hl::Click(*box));
    EXPECT_FALSE(box->Checked());
    EXPECT_EQ(changes, 1);

    auto* edit = form.Add(Kind::Edit, u"txtOutput");
    edit->SetReadOnly(true);
    EXPECT_FALSE(hl::TypeText(*edit, u"C:\\x"));
    edit->SetReadOnly(false);
    EXPECT_TRUE(hl::TypeText(*edit, u"C:\\x"));
    EXPECT_EQ(edit->Text(), u"C:\\x");
}

TEST_F(UiTest, MessageBoxesNeedAnswers) {
    ui::TForm form;
    hl::AnswerNext(ui::mrYes);
    EXPECT_EQ(ui::MessageBox(&form, u"Выйти?", u"Отмена", ui::mbYesNo), ui::mrYes);
    ASSERT_EQ(hl::Shown().size(), 1u);
    EXPECT_EQ(hl::Shown()[0].Text, u"Выйти?");
    EXPECT_EQ(hl::Shown()[0].Caption, u"Отмена");
    EXPECT_EQ(hl::Shown()[0].Buttons, 4u);
    EXPECT_EQ(hl::Shown()[0].Owner, &form);
    EXPECT_FALSE(hl::Shown()[0].Confirmation);

    EXPECT_THROW(ui::MessageBox(nullptr, u"nobody answers", u"x"), hl::TUnanswered);

    hl::AnswerNext(ui::mrYesToAll);
    hl::AnswerNext(ui::mrOk);
    EXPECT_EQ(ui::ConfirmDialog(u"overwrite?"), 10);
    EXPECT_TRUE(hl::Shown().back().Confirmation);
    EXPECT_THROW(ui::ConfirmDialog(u"no OK button here"), hl::TUnanswered);
}

TEST_F(UiTest, ModalFormsCloseThroughTheirQuery) {
    ui::TForm form;
    form.SetCaption(u"dialog");
    auto* ok = form.Add(Kind::Button, u"ok");
    ok->ModalResultOnClick = ui::mrOk;
    int created = 0, closed = 0;
    bool allow = false;
    form.OnCreate = [&](ui::TComponent&) { ++created; };
    form.OnCloseQuery = [&](ui::TForm&, bool& can_close) { can_close = allow; };
    form.OnClose = [&](ui::TComponent&) { ++closed; };

    // A refused close leaves the form open, which the handler must notice.
    hl::OnNextModal([&](ui::TForm& f) {
        EXPECT_TRUE(f.Visible());
        EXPECT_TRUE(hl::Click(*ok));
        EXPECT_FALSE(f.Closed());
        EXPECT_EQ(f.ModalResult, ui::mrNone);
        allow = true;
        EXPECT_TRUE(hl::Click(*ok));
    });
    EXPECT_EQ(ui::ShowModal(form), ui::mrOk);
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(closed, 1);

    hl::OnNextModal([&](ui::TForm& f) { EXPECT_TRUE(hl::CloseBox(f)); });
    EXPECT_EQ(ui::ShowModal(form), ui::mrCancel) << "the close box gives Cancel";
    EXPECT_EQ(created, 1) << "OnCreate runs once";

    allow = false;
    hl::OnNextModal([&](ui::TForm& f) { EXPECT_FALSE(hl::CloseBox(f)); });
    EXPECT_THROW(ui::ShowModal(form), hl::TUnanswered) << "a form left open fails the test";
    EXPECT_THROW(ui::RunMainLoop(form), hl::TUnanswered) << "no handler prepared";
}

TEST_F(UiTest, FolderBrowserGoesThroughTheSystemDialog) {
    ui::TForm form;
    UString seen_title, seen_initial;
    platform::SetBrowseForFolderHook([&](const UString& title, const UString& initial, bool) {
        seen_title = title;
        seen_initial = initial;
        return UString(u"C:\\Games");
    });
    EXPECT_EQ(ui::BrowseForFolder(u"Выберите папку", u"C:\\Old\\", true, &form), u"C:\\Games");
    platform::SetBrowseForFolderHook(nullptr);
    EXPECT_EQ(seen_title, u"Выберите папку");
    EXPECT_EQ(seen_initial, u"C:\\Old\\");
}

// The keyboard's rules, which both backends follow: the tab order reads the form top to bottom and
// left to right whatever the creation order, skips what is hidden or disabled (panels included),
// Enter presses a focused button before the default one, Escape the Cancel button before the
// close box, and a focused control that goes away hands the focus on.
TEST_F(UiTest, KeyboardFollowsTheFormNotTheCreationOrder) {
    ui::TForm form;
    form.SetClientSize(300, 200);
    auto* ok = form.Add(Kind::Button, u"ok");
    ok->SetBounds(120, 160, 75, 23);
    ok->Default = true;
    auto* cancel = form.Add(Kind::Button, u"cancel");
    cancel->SetBounds(200, 160, 75, 23);
    cancel->Cancel = true;
    auto* front = form.Add(Kind::Panel, u"front");
    front->SetBounds(10, 10, 280, 140);
    auto* behind = form.Add(Kind::Panel, u"behind");
    behind->SetBounds(10, 10, 280, 140);
    behind->SetEnabled(false);
    auto* edit = form.Add(Kind::Edit, u"edit", front);
    edit->SetBounds(10, 40, 100, 21);
    auto* box = form.Add(Kind::CheckBox, u"box", front);
    box->SetBounds(10, 10, 100, 17);
    auto* hidden = form.Add(Kind::Button, u"hidden", behind);
    hidden->SetBounds(10, 5, 75, 23);
    auto* label = form.Add(Kind::Label, u"label", front);
    label->SetBounds(0, 0, 50, 13);

    auto names = [&] {
        std::string out;
        for (const ui::TComponent* c : form.TabOrder())
            out += (out.empty() ? "" : " ") + platform::WideToUtf8(c->Name());
        return out;
    };
    EXPECT_EQ("box edit ok cancel", names());
    EXPECT_FALSE(form.SetActiveControl(hidden)) << "on a disabled panel";
    EXPECT_FALSE(form.SetActiveControl(label));

    int oks = 0, cancels = 0, boxes = 0;
    ok->OnClick = [&](ui::TComponent&) { ++oks; };
    cancel->OnClick = [&](ui::TComponent&) { ++cancels; };
    box->OnClick = [&](ui::TComponent&) { ++boxes; };
    ASSERT_TRUE(form.SetActiveControl(edit));
    EXPECT_TRUE(hl::PressEnter(form));
    EXPECT_EQ(1, oks) << "Enter in an edit presses the default button";
    ASSERT_TRUE(hl::PressTab(form));
    EXPECT_EQ(ok, form.ActiveControl());
    ASSERT_TRUE(hl::PressTab(form));
    EXPECT_TRUE(hl::PressEnter(form));
    EXPECT_EQ(1, cancels) << "a focused button presses itself";
    ASSERT_TRUE(hl::PressTab(form));
    EXPECT_EQ(box, form.ActiveControl()) << "round to the first stop";
    EXPECT_TRUE(hl::PressSpace(form));
    EXPECT_EQ(1, boxes);
    EXPECT_TRUE(box->Checked());

    hl::PressEscape(form);
    EXPECT_EQ(2, cancels);
    EXPECT_FALSE(form.Closed());
    cancel->Hide();
    hl::PressEscape(form);
    EXPECT_TRUE(form.Closed()) << "without a Cancel button Escape is the close box";

    // The focused control hidden, or its panel disabled: the focus moves to the default button.
    ASSERT_TRUE(form.SetActiveControl(edit));
    front->SetEnabled(false);
    EXPECT_EQ(ok, form.ActiveControl());
    ok->SetEnabled(false);
    EXPECT_EQ(nullptr, form.ActiveControl()) << "nothing left that takes the focus";
    front->SetEnabled(true);
    form.RestoreFocus();
    EXPECT_EQ(box, form.ActiveControl());
}

}  // namespace
