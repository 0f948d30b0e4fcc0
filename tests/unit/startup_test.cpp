// The start-up sequence on real package files: refusal, the preset language, the chooser, and a
// whole install from the program's file to the closed window.
#include "app/ustartup.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "tests/unit/wizard_testkit.h"
#include "ui/headless/headless.h"
#include "ui/services.h"
#include "wizard/Main.h"

namespace {

using wizardkit::U8;
namespace hl = ui::headless;

class StartupTest : public wizardkit::TInstallerTest {
  protected:
    UString Package(const wizardkit::TPackageLayout& layout) {
        zipkit::ZipBuilder b;
        b.AddFile("doc/readme.txt", "hello");
        b.AddFile("Demo.exe", "MZ program");
        UString path = dir.File("Setup.exe");
        EXPECT_TRUE(wizardkit::WritePackage(path, b, layout));
        return path;
    }
    std::string pack = wizardkit::PackWith({{24, "Setup - %s"}, {100045, "Next >"}});
};

TEST_F(StartupTest, FileWithoutItsPackageIsRefusedWithoutAWindow) {
    for (bool no_container : {true, false}) {
        SCOPED_TRACE(no_container);
        hl::Reset();
        wizardkit::TPackageLayout layout;
        layout.no_container = no_container;
        UString path = Package(layout);
        if (!no_container) {
            // A package whose archive lists no entry is no better.
            ASSERT_TRUE(wizardkit::WritePackage(path, zipkit::ZipBuilder(), layout));
        }
        hl::AnswerNext(ui::mrOk);
        EXPECT_EQ(ecPackageDamaged, RunSetup(path));
        ASSERT_EQ(1u, ShownCount());
        const hl::TShownDialog& box = hl::Shown()[0];
        EXPECT_EQ("Package Corrupted!", U8(box.Text));
        EXPECT_EQ("Setup", U8(box.Caption));
        EXPECT_EQ(unsigned(ui::miError), box.Icon);
        EXPECT_EQ(nullptr, box.Owner);
        EXPECT_EQ(nullptr, MainForm);
        EXPECT_FALSE(Languages.Loaded()) << "nothing is read from a refused package";
    }
}

TEST_F(StartupTest, PresetLanguageSkipsTheChooser) {
    wizardkit::TPackageLayout layout;
    layout.langid = "en";
    layout.lang_pack = pack;
    const UString path = Package(layout);
    std::string caption, next;
    hl::OnNextModal([&](ui::TForm& form) {
        caption = U8(form.Caption());
        next = U8(static_cast<TMainForm&>(form).btnNext->Caption());
        hl::AnswerNext(ui::mrYes);
        EXPECT_TRUE(hl::CloseBox(form));
    });
    EXPECT_EQ(ecCancelled, RunSetup(path));
    EXPECT_EQ("Setup - Demo", caption);
    EXPECT_EQ("Setup", U8(ui::ApplicationTitle())) << "the task bar names the program";
    EXPECT_EQ("Next >", next);
    EXPECT_EQ("en", Languages.CurrentLanguage());
    EXPECT_EQ(0u, hl::PendingModals());
}

TEST_F(StartupTest, NoPresetLanguageAsksForOneBeforeTheWizard) {
    wizardkit::TPackageLayout layout;
    layout.lang_pack = pack;
    const UString path = Package(layout);
    std::vector<std::string> forms;
    hl::OnNextModal([&](ui::TForm& chooser) {
        forms.push_back(U8(chooser.Caption()));
        ui::TComponent* combo = chooser.FindComponent(u"cbLanguage");
        ASSERT_NE(nullptr, combo);
        ASSERT_EQ(2u, combo->Items().size());
        ASSERT_TRUE(hl::PickItem(*combo, 1));
        ASSERT_TRUE(hl::PressEnter(chooser));
    });
    hl::OnNextModal([&](ui::TForm& form) {
        forms.push_back(U8(form.Caption()));
        hl::AnswerNext(ui::mrYes);
        EXPECT_TRUE(hl::CloseBox(form));
    });
    EXPECT_EQ(ecCancelled, RunSetup(path));
    EXPECT_EQ((std::vector<std::string>{"Choose your language", "Setup - Demo"}), forms);
}

TEST_F(StartupTest, InstallsThePackageFromItsOwnFileEndToEnd) {
    wizardkit::TPackageLayout layout;
    layout.langid = "ru";
    const UString path = Package(layout);
    UString dest;
    std::vector<int> pages;
    hl::OnNextModal([&](ui::TForm& f) {
        auto& form = static_cast<TMainForm&>(f);
        dest = form.txtOutput->Text();
        pages.push_back(form.CurrentPage);
        ASSERT_TRUE(hl::Click(*form.btnNext));
        ASSERT_TRUE(hl::PumpUntil([&] { return !form.Extracting; }, 120000));
        pages.push_back(form.CurrentPage);
        ASSERT_TRUE(hl::Click(*form.btnNext));
        pages.push_back(form.CurrentPage);
        ASSERT_TRUE(hl::Click(*form.btnCancel));
    });
    EXPECT_EQ(0, RunSetup(path));
    EXPECT_EQ((std::vector<int>{pgWelcome, pgReady, pgFinish}), pages);
    EXPECT_EQ("hello", testutil::ReadFile(dest + u"doc/readme.txt"));
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(U8(dest) + "Demo.exe", U8(opened[0]));
    EXPECT_EQ(nullptr, ExtractThread) << "nothing outlives the window";
    EXPECT_EQ(0u, ShownCount());
}

}  // namespace
