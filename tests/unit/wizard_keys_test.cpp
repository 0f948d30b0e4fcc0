// The wizard at the keyboard, headless: where the focus is and which button Enter presses after
// every page change and every message, what Escape does on each page, and the tab order of the
// page in front.
#include <string>
#include <vector>

#include "package/ZMContainerFile.h"
#include "platform/folderdlg.h"
#include "tests/unit/wizard_testkit.h"

namespace {

using wizardkit::U8;
namespace hl = ui::headless;

class WizardKeysTest : public wizardkit::TWizardTest {
  protected:
    std::string Order() const {
        std::string out;
        for (const ui::TComponent* c : form->TabOrder())
            out += (out.empty() ? "" : " ") + U8(c->Name());
        return out;
    }
};

zipkit::ZipBuilder OneProgram() {
    zipkit::ZipBuilder b;
    b.AddFile("readme.txt", "read me");
    b.AddFile("bin/App.EXE", std::string(3000, 'x'));
    return b;
}

zipkit::ZipBuilder ManyFiles() {
    zipkit::ZipBuilder b;
    for (int i = 0; i < 20; ++i)
        b.AddFile("f" + std::to_string(i) + ".bin", std::string(20000, 'q'));
    return b;
}

TEST_F(WizardKeysTest, AWholeInstallByTheKeyboardAlone) {
    Open(OneProgram());
    EXPECT_EQ("focus btnNext, default btnNext", Keys()) << "not Browse: Enter must go on";
    ASSERT_TRUE(hl::PressEnter(*form));
    // The check ran and the extraction is going: only Cancel can be pressed.
    EXPECT_EQ(pgExtraction, form->CurrentPage);
    EXPECT_EQ("focus btnCancel, default btnCancel", Keys());
    ASSERT_TRUE(WaitDone());

    ASSERT_EQ(pgReady, form->CurrentPage);
    EXPECT_EQ("focus btnNext, default btnNext", Keys());
    EXPECT_EQ("chkRunInstalledProgram btnNext", Order());
    // Shift+Tab to the box, Space unticks it, Enter (on a box, not a button) presses Next.
    ASSERT_TRUE(hl::PressTab(*form, true));
    EXPECT_EQ("focus chkRunInstalledProgram, default btnNext", Keys());
    ASSERT_TRUE(hl::PressSpace(*form));
    EXPECT_FALSE(form->chkRunInstalledProgram->Checked());
    ASSERT_TRUE(hl::PressEnter(*form));

    ASSERT_EQ(pgFinish, form->CurrentPage);
    EXPECT_TRUE(opened.empty()) << "the unticked box starts nothing";
    EXPECT_EQ("focus btnCancel, default btnCancel", Keys()) << "Close is the Finish page's";
    EXPECT_EQ("btnOpenFolder btnDoAbuse btnCancel", Order());
    ASSERT_TRUE(hl::PressEnter(*form));
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(0u, ShownCount()) << "closing from Finish asks nothing";
    EXPECT_EQ("read me", Installed("readme.txt"));
}

TEST_F(WizardKeysTest, TabCyclesThroughTheFrontPageAndTheBottomButtonsInReadingOrder) {
    Open(OneProgram());
    // The welcome text and the read-only folder are no tab stops; the other pages' controls lie
    // behind, and Back is hidden.
    EXPECT_EQ("btnBrowse btnNext btnCancel", Order());
    const std::vector<std::string> forward = {"btnCancel", "btnBrowse", "btnNext", "btnCancel"};
    for (const std::string& want : forward) {
        ASSERT_TRUE(hl::PressTab(*form));
        EXPECT_EQ(want, U8(form->ActiveControl()->Name()));
    }
    ASSERT_TRUE(hl::PressTab(*form, true));
    EXPECT_EQ("btnNext", U8(form->ActiveControl()->Name()));
    ASSERT_TRUE(hl::PressTab(*form, true));
    EXPECT_EQ("btnBrowse", U8(form->ActiveControl()->Name()));
    // Enter on a focused button presses that one, not the default: Browse asks for a folder
    // (the system's dialog, answered here as if cancelled).
    int asked = 0;
    platform::SetBrowseForFolderHook([&asked](const UString&, const UString&, bool) {
        ++asked;
        return UString();
    });
    EXPECT_TRUE(hl::PressEnter(*form)) << "Browse";
    platform::SetBrowseForFolderHook(nullptr);
    EXPECT_EQ(1, asked);
    EXPECT_EQ(pgWelcome, form->CurrentPage);
}

TEST_F(WizardKeysTest, WithoutAFolderEnterIsCancelAndAsks) {
    Open(OneProgram());
    form->txtOutput->SetText(UString());
    form->ShowPage(pgWelcome);
    EXPECT_EQ("0 back- nextd cancelE", State());
    EXPECT_EQ("focus btnCancel, default btnCancel", Keys());
    hl::AnswerNext(ui::mrNo);
    ASSERT_TRUE(hl::PressEnter(*form));
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Выйти из программы установки?", ShownTexts()[0]);
    EXPECT_FALSE(form->Closed());
    EXPECT_EQ("focus btnCancel, default btnCancel", Keys());
}

TEST_F(WizardKeysTest, EscapeDoesWhatCancelDoesOnEveryPage) {
    // Welcome: the question; No keeps the wizard where it was, the focus on a usable control.
    Open(ManyFiles());
    hl::AnswerNext(ui::mrNo);
    hl::PressEscape(*form);
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Выйти из программы установки?", ShownTexts()[0]);
    EXPECT_FALSE(form->Closed());
    EXPECT_EQ("focus btnNext, default btnNext", Keys());

    // Extraction: Cancel stops the run without a question; the notice, then Back.
    ASSERT_TRUE(hl::PressEnter(*form));
    ASSERT_TRUE(form->Extracting);
    EXPECT_EQ("focus btnCancel, default btnCancel", Keys());
    hl::PressEscape(*form);
    EXPECT_TRUE(form->CancelRequested);
    EXPECT_EQ(1u, ShownCount()) << "no question during the extraction";
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(2u, ShownCount());
    EXPECT_EQ("Распаковка отменена пользователем.", ShownTexts()[1]);
    EXPECT_EQ("focus btnBack, default btnBack", Keys()) << "Back, once the cancel enabled it";
    ASSERT_TRUE(hl::PressEnter(*form));
    EXPECT_EQ(pgWelcome, form->CurrentPage);
    EXPECT_EQ("focus btnNext, default btnNext", Keys());
}

TEST_F(WizardKeysTest, EscapeOnTheCheckAsksAndStopsIt) {
    zipkit::ZipBuilder b;
    b.AddFile("big.bin", zipkit::RandomBytes(400000, 3), 0);
    Open(b);
    std::string keys_during_check;
    TZMContainerFile::SetSleepHook([this, &keys_during_check](unsigned) {
        if (++sleeps == 3) {
            keys_during_check = Keys();
            hl::AnswerNext(ui::mrYes);
            hl::PressEscape(*form);
        }
    });
    ASSERT_TRUE(hl::PressEnter(*form));
    EXPECT_EQ("focus btnCancel, default btnCancel", keys_during_check);
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(nullptr, ExtractThread);
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Выйти из программы установки?", ShownTexts()[0]);
}

TEST_F(WizardKeysTest, EscapeOnTheReadyPageIsTheCloseBoxAndOnFinishItCloses) {
    Open(OneProgram());
    ASSERT_TRUE(hl::PressEnter(*form));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(pgReady, form->CurrentPage);
    hl::AnswerNext(ui::mrNo);
    hl::PressEscape(*form);  // Cancel is hidden here: the close box's question
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Отмена установки", ShownCaption(0));
    EXPECT_EQ(pgReady, form->CurrentPage);
    EXPECT_EQ("focus btnNext, default btnNext", Keys());

    ASSERT_TRUE(hl::PressEnter(*form));
    ASSERT_EQ(pgFinish, form->CurrentPage);
    EXPECT_EQ(1u, opened.size()) << "the ticked box started the program";
    hl::PressEscape(*form);
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(1u, ShownCount());
}

TEST_F(WizardKeysTest, AfterAnErrorBackHasTheFocus) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    Open(b);
    ASSERT_TRUE(testutil::WriteFile(dir.File("blocker"), "file"));
    form->txtOutput->SetText(dir.File("blocker") + platform::PathDelimiter() + u"sub" +
                             platform::PathDelimiter());
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::PressEnter(*form));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("2 backE nextd cancelE", State());
    EXPECT_EQ("focus btnBack, default btnBack", Keys());
    EXPECT_EQ("mExtrLog btnBack btnCancel", Order())
        << "the log scrolls; the disabled Next is no stop";
}

}  // namespace
