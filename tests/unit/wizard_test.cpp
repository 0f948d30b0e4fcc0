// The wizard's page flow, driven through the headless widget backend with real packages, the
// real zip component and the real engine.
#include <memory>

#include "common/ZM_Common.h"
#include "lang/ulng.h"
#include "package/ZMArchiveFile.h"
#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/unit/wizard_testkit.h"
#include "ui/headless/headless.h"
#include "wizard/Main.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;
using wizardkit::U8;
namespace hl = ui::headless;

using WizardTest = wizardkit::TWizardTest;

zipkit::ZipBuilder OneProgram() {
    zipkit::ZipBuilder b;
    b.AddFile("readme.txt", "read me");
    b.AddFolder("bin/");
    b.AddFile("bin/App.EXE", std::string(5000, 'x'));
    return b;
}

TEST_F(WizardTest, WalksEveryPageOfASuccessfulInstall) {
    Open(OneProgram());
    EXPECT_EQ("0 back- nextE cancelE", State());
    EXPECT_EQ("Вас приветствует мастер установки Demo", U8(form->lblStage->Caption()));
    EXPECT_EQ("Установка - Demo", U8(form->Caption()));
    EXPECT_EQ(U8(dir.Path()) + "Demo" + U8(UString(1, platform::PathDelimiter())), U8(Dest()));
    EXPECT_EQ(0u, U8(form->reWelcome->Text()).find("Программа установит Demo на Ваш компьютер."));
    EXPECT_EQ("Отмена", U8(form->btnCancel->Caption()));
    EXPECT_TRUE(form->chkRunInstalledProgram->Checked());
    // The side picture, carried packed, is expanded whole.
    EXPECT_EQ(163, form->imgLogo->Picture().Width);
    EXPECT_EQ(314, form->imgLogo->Picture().Height);

    // Next runs the preparation and the paced check, then starts the extraction at once.
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_TRUE(form->PackagePrepared);
    EXPECT_TRUE(form->ContentsVerified);
    EXPECT_TRUE(form->HasProgramToRun);
    EXPECT_GT(sleeps, 0u) << "the check is paced";
    EXPECT_EQ(100, form->InstallProgress->Position());
    EXPECT_FALSE(form->pArchiveChecking->Visible());
    EXPECT_EQ("2 backd nextd cancelE", State());
    EXPECT_EQ("Установка Demo", U8(form->lblStage->Caption()));
    EXPECT_FALSE(form->pbase->Enabled());

    ASSERT_TRUE(WaitDone());
    EXPECT_EQ("3 back- nextE cancel-", State()) << "the Ready page hides Cancel";
    EXPECT_EQ("Установка завершена!", U8(form->lblStage->Caption()));
    EXPECT_TRUE(form->pbase->Enabled());
    EXPECT_EQ("read me", Installed("readme.txt"));
    EXPECT_EQ(std::string(5000, 'x'), Installed("bin/App.EXE"));
    EXPECT_EQ(100, form->ArchiveProgress->Position());
    EXPECT_EQ(0u, ShownCount());

    // One log line per item, as the archive stores its name.
    std::vector<std::string> log;
    for (const UString& l : form->mExtrLog->Lines()) {
        if (!l.empty()) log.push_back(U8(l));
    }
    // Names as the system writes paths: bin\App.EXE on Windows.
    const std::string delim = U8(UString(1, platform::PathDelimiter()));
    EXPECT_EQ((std::vector<std::string>{"readme.txt", "bin" + delim + "App.EXE"}), log);

    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_EQ("4 back- next- cancelE", State());
    EXPECT_EQ("Закрыть", U8(form->btnCancel->Caption()));
    ASSERT_EQ(1u, opened.size()) << "the ticked box starts the program";
    // The program in a subfolder: the destination followed by bin\App.EXE on Windows.
    EXPECT_EQ(U8(Dest()) + "bin" + delim + "App.EXE", U8(opened[0]));

    ASSERT_TRUE(hl::Click(*form->btnOpenFolder));
    ASSERT_TRUE(hl::Click(*form->btnDoAbuse));
    ASSERT_EQ(3u, opened.size());
    EXPECT_EQ(U8(Dest()), U8(opened[1]));
    EXPECT_EQ("123", U8(opened[2]).substr(U8(opened[2]).size() - 3));

    // The last page closes without a question.
    ASSERT_TRUE(hl::Click(*form->btnCancel));
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(0u, ShownCount());
}

TEST_F(WizardTest, NoSingleProgramSkipsTheReadyPageAndRunsNothing) {
    for (int exes : {0, 2}) {
        SCOPED_TRACE(exes);
        zipkit::ZipBuilder b;
        b.AddFile("a.txt", "a");
        if (exes == 2) {
            b.AddFile("one.exe", "1");
            b.AddFile("tools/two.Exe", "2");
        }
        ExtractThread.reset();
        wizardkit::TPackageLayout layout;
        layout.title = "Demo" + std::to_string(exes);
        Open(b, layout);
        ASSERT_TRUE(hl::Click(*form->btnNext));
        ASSERT_TRUE(WaitDone());
        EXPECT_FALSE(form->HasProgramToRun);
        EXPECT_EQ("4 back- next- cancelE", State());
        EXPECT_TRUE(opened.empty());
    }
}

TEST_F(WizardTest, RunsNothingWhenUntickedOrWhenTheProgramIsGone) {
    Open(OneProgram());
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(pgReady, form->CurrentPage);
    ASSERT_TRUE(hl::Click(*form->chkRunInstalledProgram));
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_EQ(pgFinish, form->CurrentPage);
    EXPECT_TRUE(opened.empty());

    ExtractThread.reset();
    wizardkit::TPackageLayout layout;
    layout.title = "Second";
    Open(OneProgram(), layout);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_TRUE(platform::RemoveFile(Dest() + u"bin/App.EXE"));
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_EQ(pgFinish, form->CurrentPage);
    EXPECT_TRUE(opened.empty());
}

TEST_F(WizardTest, ProgramNameClimbingOutOfTheDestinationIsNeverStarted) {
    Open(OneProgram());
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(pgReady, form->CurrentPage);
    // A file that does exist outside the destination.
    ASSERT_TRUE(WriteFile(dir.File("evil.exe"), "x"));
    pkg->ExeName = u"../evil.exe";
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_TRUE(opened.empty());
}

// The destination lies below a file, so the folder cannot be made: the component's error.
UString Unmakeable(const testutil::TempDir& dir) {
    EXPECT_TRUE(WriteFile(dir.File("blocker"), "file"));
    return dir.File("blocker") + platform::PathDelimiter() + u"sub" + platform::PathDelimiter();
}

TEST_F(WizardTest, ErrorThenBackLandsOnWelcomeAndNextSkipsTheCheck) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    Open(b);
    const UString good = Dest();
    form->txtOutput->SetText(Unmakeable(dir));
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_NE(nullptr, ExtractThread);
    const int32_t code = ExtractThread->End().code;
    ASSERT_NE(0, code);
    // No pack text for the code: the caption word, the code and the component's message.
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Ошибка " + std::to_string(code) + ": \"" + U8(ExtractThread->End().message) + "\"",
              ShownTexts()[0]);
    EXPECT_EQ("Ошибка", ShownCaption(0));
    EXPECT_EQ(form.get(), hl::Shown()[0].Owner);
    EXPECT_EQ("2 backE nextd cancelE", State());

    const unsigned checked = sleeps;
    ASSERT_TRUE(hl::Click(*form->btnBack));
    EXPECT_EQ("0 back- nextE cancelE", State()) << "Back from Extraction lands on Welcome";
    form->txtOutput->SetText(good);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_EQ(pgExtraction, form->CurrentPage) << "a passed check is not run again";
    EXPECT_EQ(checked, sleeps);
    ASSERT_TRUE(WaitDone());
    EXPECT_EQ(pgFinish, form->CurrentPage);
    EXPECT_EQ("a", Installed("a.txt"));
}

TEST_F(WizardTest, ErrorCodeWithAPackTextShowsThatTextAlone) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    Open(b);
    form->txtOutput->SetText(Unmakeable(dir));
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    const int32_t code = ExtractThread->End().code;
    ASSERT_NE(0, code);

    // The same failure again, now with a pack that has a text for that very code.
    ASSERT_TRUE(Languages.LoadFromString(
        wizardkit::PackWith({{code, "The folder cannot be made."}, {5, "Error"}})));
    Languages.SetCurrentLanguage("en");
    ASSERT_TRUE(hl::Click(*form->btnBack));
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(2u, ShownCount());
    EXPECT_EQ("The folder cannot be made.", ShownTexts()[1]);
    EXPECT_EQ("Error", ShownCaption(1));
}

TEST_F(WizardTest, ASkippedFileIsShownWithItsNameNotWithAPackTextOfTheSameNumber) {
    zipkit::ZipBuilder b;
    b.AddFile("blocked/a.txt", "a");
    Open(b);
    // A file stands where the entry's folder must go: the engine skips the entry with its error
    // 22, the number of the pack's text "Cancel setup".
    ASSERT_TRUE(Languages.LoadFromString(
        wizardkit::PackWith({{22, "Cancel setup"}, {23, "Welcome"}, {5, "Error"}})));
    Languages.SetCurrentLanguage("en");
    ASSERT_TRUE(platform::ForceDirectories(Dest()));
    ASSERT_TRUE(WriteFile(Dest() + u"blocked", "in the way"));
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(1u, ShownCount());
    EXPECT_NE(std::string::npos, ShownTexts()[0].find("blocked/a.txt")) << ShownTexts()[0];
    EXPECT_EQ("Error", ShownCaption(0));
    EXPECT_EQ(pgExtraction, form->CurrentPage);
    EXPECT_EQ("in the way", Installed("blocked"));
}

TEST_F(WizardTest, CancelDuringExtractionAsksNothingButTheCloseBoxAsks) {
    zipkit::ZipBuilder b;
    for (int i = 0; i < 20; ++i)
        b.AddFile("f" + std::to_string(i) + ".bin", std::string(20000, 'q'));
    Open(b);
    // The worker waits for the window at its first report, so the run is surely still going.
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(form->Extracting);

    hl::AnswerNext(ui::mrNo);
    EXPECT_FALSE(hl::CloseBox(*form));
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Выйти из программы установки?", ShownTexts()[0]);
    EXPECT_EQ("Отмена установки", ShownCaption(0));
    EXPECT_FALSE(form->CloseConfirmed);

    ASSERT_TRUE(hl::Click(*form->btnCancel));
    EXPECT_EQ(1u, ShownCount()) << "Cancel during the extraction asks nothing";
    EXPECT_TRUE(form->CancelRequested);
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(2u, ShownCount());
    EXPECT_EQ("Распаковка отменена пользователем.", ShownTexts()[1]);
    EXPECT_EQ("Setup", ShownCaption(1));
    EXPECT_EQ(0, form->ItemProgress->Position());
    EXPECT_EQ(0, form->ArchiveProgress->Position());
    EXPECT_TRUE(form->lblFileName->Caption().empty());
    EXPECT_EQ("2 backE nextd cancelE", State());
    EXPECT_FALSE(platform::FileExists(Dest() + u"f19.bin")) << "the run stopped early";
}

TEST_F(WizardTest, ConfirmedCloseDuringExtractionStopsTheRunAndWaitsForIt) {
    zipkit::ZipBuilder b;
    for (int i = 0; i < 20; ++i)
        b.AddFile("f" + std::to_string(i) + ".bin", std::string(20000, 'q'));
    Open(b);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(form->Extracting);
    hl::AnswerNext(ui::mrYes);
    ASSERT_TRUE(hl::CloseBox(*form));
    EXPECT_TRUE(form->Closed());
    ASSERT_NE(nullptr, ExtractThread);
    EXPECT_TRUE(ExtractThread->Finished()) << "the window waited for the worker";
    EXPECT_FALSE(form->Extracting);
    hl::Pump();
    EXPECT_EQ(1u, ShownCount()) << "no cancel notice after the window has gone";
}

TEST_F(WizardTest, ClosingDuringTheCheckStopsItAndStartsNoExtraction) {
    zipkit::ZipBuilder b;
    b.AddFile("big.bin", zipkit::RandomBytes(400000, 3), 0);
    Open(b);
    TZMContainerFile::SetSleepHook([this](unsigned) {
        if (++sleeps == 3) {
            hl::AnswerNext(ui::mrYes);
            EXPECT_TRUE(hl::CloseBox(*form));
        }
    });
    ASSERT_TRUE(hl::Click(*form->btnNext));
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(pgContentsCheck, form->CurrentPage);
    EXPECT_EQ(nullptr, ExtractThread);
    EXPECT_LE(sleeps, 4u) << "the check stopped";
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Выйти из программы установки?", ShownTexts()[0]);
}

TEST_F(WizardTest, DamagedArchiveFailsTheCheckAndCloses) {
    zipkit::ZipBuilder b;
    b.AddFile("big.bin", zipkit::RandomBytes(30000, 5), 0);
    wizardkit::TPackageLayout layout;
    layout.damage_zip = true;
    Open(b, layout);
    hl::AnswerNext(ui::mrOk);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ("Архив повреждён, распаковка невозможна.", ShownTexts()[0]);
    EXPECT_EQ("Ошибка", ShownCaption(0));
    EXPECT_TRUE(form->Closed());
    EXPECT_EQ(nullptr, ExtractThread);
}

class QuestionTest : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        zipkit::ZipBuilder b;
        b.AddFile("a.txt", "new a");
        b.AddFile("b.txt", "new b");
        b.AddFile("c.txt", "new c");
        Open(b);
        for (const char* n : {"a.txt", "b.txt", "c.txt"}) {
            ASSERT_TRUE(platform::ForceDirectories(Dest()));
            ASSERT_TRUE(WriteFile(Dest() + platform::Utf8ToWide(n), "old"));
        }
    }
    void Run() {
        ASSERT_TRUE(hl::Click(*form->btnNext));
        ASSERT_TRUE(WaitDone());
    }
};

TEST_F(QuestionTest, YesToAllOverwritesEveryFileAfterOneQuestion) {
    hl::AnswerNext(ui::mrYesToAll);
    Run();
    ASSERT_EQ(1u, ShownCount());
    EXPECT_TRUE(hl::Shown()[0].Confirmation);
    EXPECT_NE(std::string::npos, ShownTexts()[0].find("a.txt"));
    EXPECT_NE(std::string::npos, ShownTexts()[0].find("существует.\r\n\r\nПерезаписать?"));
    EXPECT_EQ("new a", Installed("a.txt"));
    EXPECT_EQ("new c", Installed("c.txt"));
    EXPECT_EQ(pgFinish, form->CurrentPage);
}

TEST_F(QuestionTest, NoToAllKeepsEveryFileAfterOneQuestion) {
    hl::AnswerNext(ui::mrNoToAll);
    Run();
    EXPECT_EQ(1u, ShownCount());
    EXPECT_EQ("old", Installed("a.txt"));
    EXPECT_EQ("old", Installed("c.txt"));
    EXPECT_EQ(pgFinish, form->CurrentPage) << "files left alone are no error";
}

TEST_F(QuestionTest, YesAndNoAnswerOneFileEach) {
    hl::AnswerNext(ui::mrYes);
    hl::AnswerNext(ui::mrNo);
    hl::AnswerNext(ui::mrYes);
    Run();
    EXPECT_EQ(3u, ShownCount());
    EXPECT_EQ("new a", Installed("a.txt"));
    EXPECT_EQ("old", Installed("b.txt"));
    EXPECT_EQ("new c", Installed("c.txt"));
}

TEST_F(QuestionTest, CancelStopsTheRunWithTheCancelNotice) {
    hl::AnswerNext(ui::mrCancel);
    hl::AnswerNext(ui::mrOk);
    Run();
    ASSERT_EQ(2u, ShownCount());
    EXPECT_EQ("Распаковка отменена пользователем.", ShownTexts()[1]);
    EXPECT_EQ("Setup", ShownCaption(1));
    EXPECT_EQ("old", Installed("a.txt"));
    EXPECT_EQ("old", Installed("b.txt"));
    EXPECT_EQ(pgExtraction, form->CurrentPage);
}

TEST_F(WizardTest, OverwriteAndChecksumAnswersAreRememberedSeparately) {
    zipkit::ZipBuilder b;
    for (const char* n : {"a.txt", "b.txt"}) {
        zipkit::Entry e;
        e.name = n;
        e.data = std::string("payload of ") + n;
        e.set_crc = true;
        e.crc = 0x12345678;
        b.Add(e);
    }
    Open(b);
    for (const char* n : {"a.txt", "b.txt"}) {
        ASSERT_TRUE(platform::ForceDirectories(Dest()));
        ASSERT_TRUE(WriteFile(Dest() + platform::Utf8ToWide(n), "old"));
    }
    hl::AnswerNext(ui::mrYesToAll);  // overwrite a.txt (and every later file)
    hl::AnswerNext(ui::mrNoToAll);   // checksum of a.txt (and every later file)
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    const auto texts = ShownTexts();
    ASSERT_GE(texts.size(), 2u);
    EXPECT_NE(std::string::npos, texts[0].find("существует"));
    EXPECT_NE(std::string::npos, texts[1].find("Не совпадает контрольная сумма для файла"));
    EXPECT_NE(std::string::npos, texts[1].find("a.txt"));
    size_t questions = 0;
    for (const auto& d : hl::Shown()) questions += d.Confirmation ? 1 : 0;
    EXPECT_EQ(2u, questions) << "b.txt is asked about neither";
}

}  // namespace

// Folders and names the system code page cannot hold: the installation goes through, with the
// exact paths (no short form is needed and none is refused).
class UnicodeFolderTest : public WizardTest {
  protected:
    // Next through to the end of the extraction, which shows nothing.
    void Install() {
        EXPECT_TRUE(hl::Click(*form->btnNext));
        EXPECT_TRUE(WaitDone());
        EXPECT_EQ(0u, ShownCount()) << (ShownCount() > 0 ? ShownTexts()[0] : std::string());
        EXPECT_EQ(pgReady, form->CurrentPage);
    }
};

zipkit::ZipBuilder ForeignNames() {
    zipkit::ZipBuilder b;
    for (const char* name : {u8"Ελληνικά/日本語.txt", u8"プログラム.exe"}) {
        zipkit::Entry e;
        e.name = name;
        e.data = std::string("data of ") + name;
        e.utf8 = true;
        b.Add(e);
    }
    return b;
}

TEST_F(UnicodeFolderTest, EntryNamesShowExactlyInTheLogTheLabelAndTheQuestion) {
    // A Cyrillic system: neither Greek nor Japanese exists in its code page.
    testutil::CodePageScope cyrillic(1251);
    Open(ForeignNames());
    ASSERT_TRUE(platform::ForceDirectories(Dest()));
    ASSERT_TRUE(WriteFile(Dest() + platform::Utf8ToWide(u8"プログラム.exe"), "old"));
    hl::AnswerNext(ui::mrYes);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(WaitDone());
    ASSERT_EQ(1u, ShownCount());
    EXPECT_EQ(0u, ShownTexts()[0].find(u8"Файл プログラム.exe существует."));
    std::vector<std::string> log;
    for (const UString& l : form->mExtrLog->Lines())
        if (!l.empty()) log.push_back(U8(l));
    const std::string greek = U8(SystemPathName(platform::Utf8ToWide(u8"Ελληνικά/日本語.txt")));
    EXPECT_EQ((std::vector<std::string>{greek, u8"プログラム.exe"}), log);
    EXPECT_EQ(u8"Сейчас распаковывается (2/2): プログラム.exe", U8(form->lblFileName->Caption()));
    EXPECT_EQ(u8"data of Ελληνικά/日本語.txt", Installed(u8"Ελληνικά/日本語.txt"));

    // The single program, found and started by its exact path.
    ASSERT_EQ(pgReady, form->CurrentPage);
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(U8(Dest()) + u8"プログラム.exe", U8(opened[0]));
}

TEST_F(UnicodeFolderTest, TitleOutsideTheCodePageNamesTheDestination) {
    testutil::CodePageScope western(1252);
    wizardkit::TPackageLayout layout;
    layout.title = u8"Zażółć 😀";
    Open(ForeignNames(), layout, "Setup.exe");
    const std::string delim = U8(UString(1, platform::PathDelimiter()));
    ASSERT_EQ(U8(dir.Path()) + u8"Zażółć 😀" + delim, U8(Dest()));
    Install();
    EXPECT_EQ(u8"data of プログラム.exe", Installed(u8"プログラム.exe"));
    ASSERT_TRUE(hl::Click(*form->btnNext));
    ASSERT_TRUE(hl::Click(*form->btnOpenFolder));
    ASSERT_EQ(2u, opened.size());
    EXPECT_EQ(U8(Dest()) + u8"プログラム.exe", U8(opened[0]));
    EXPECT_EQ(U8(Dest()), U8(opened[1]));
}

TEST_F(UnicodeFolderTest, ProgramInAFolderOutsideTheCodePage) {
    testutil::CodePageScope western(1252);
    Open(OneProgram(), {}, u8"安装程序/Setup.exe");
    const UString own_folder = dir.File(u8"安装程序/");
    Install();
    EXPECT_EQ("read me", Installed("readme.txt"));
    EXPECT_EQ(U8(own_folder) + "Demo", U8(Dest()).substr(0, U8(own_folder).size() + 4));
}

TEST_F(UnicodeFolderTest, DestinationLongerThanTheClassicLimit) {
    std::string deep = u8"安装";
    while (dir.File(deep).size() < 300) deep += u8"/Zażółć-gęślą-jaźń";
    Open(ForeignNames());
    const UString dest = dir.File(deep) + platform::PathDelimiter();
    ASSERT_GT(dest.size(), 300u);
    form->txtOutput->SetText(dest);
    Install();
    EXPECT_EQ(u8"data of Ελληνικά/日本語.txt", Installed(u8"Ελληνικά/日本語.txt"));
    EXPECT_EQ(u8"data of プログラム.exe", Installed(u8"プログラム.exe"));
}
