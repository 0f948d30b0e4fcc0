// The extraction session, the one policy of every extraction run: the questions and their
// remembered answers, the skip and stop rules, how a run's end is classified, the paths it hands
// the component; and the installer's thread and zmpack deciding alike on the hostile name table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "extract/ExtractionSession.h"
#include "extract/uextrthrd.h"
#include "common/ZM_Common.h"
#include "lang/ulng.h"
#include "package/ZMArchiveFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/unit/hostile_names.h"
#include "tests/unit/wizard_testkit.h"
#include "tools/zmpack/commands.h"
#include "ui/headless/headless.h"

namespace {

using extraction::Answer;
using extraction::EndKind;
using extraction::Question;
using testutil::ReadFile;
using testutil::WriteFile;
using wizardkit::U8;
namespace hl = ui::headless;

// A session's owner that answers from a script and records what it was asked.
struct TScriptedOwner {
    std::vector<Answer> answers;  // given in turn; Cancel once they run out
    std::vector<std::pair<Question, std::string>> asked;

    extraction::Owner Make() {
        extraction::Owner o;
        o.ask = [this](Question q, const UString& text) {
            asked.push_back({q, U8(text)});
            if (asked.size() > answers.size()) return Answer::Cancel;
            return answers[asked.size() - 1];
        };
        return o;
    }
};

class ExtractionSessionTest : public wizardkit::TInstallerTest {
  protected:
    // Writes the package and opens it as start-up does; sessions run through its component.
    TZMZipper& Package(const zipkit::ZipBuilder& zip) {
        const UString pkg = dir.File("pkg.exe");
        EXPECT_TRUE(wizardkit::WritePackage(pkg, zip, {}));
        EXPECT_TRUE(package.Open(pkg, true));
        return *package.Zip;
    }
    extraction::Setup ToOut() {
        extraction::Setup s;
        s.destination = dir.File("out") + platform::PathDelimiter();
        return s;
    }
    UString Out(const std::string& name) { return dir.File("out/" + name); }

    TZMArchiveFile package;
};

// Three files the tests put in the destination beforehand, and one whose checksum is wrong.
zipkit::ZipBuilder ThreeExistingAndOneBadCrc() {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "new a");
    b.AddFile("b.txt", "new b");
    b.AddFile("c.txt", "new c");
    zipkit::Entry bad;
    bad.name = "bad.txt";
    bad.data = "damaged";
    bad.set_crc = true;
    bad.crc = 0x12345678;
    b.Add(bad);
    return b;
}

TEST_F(ExtractionSessionTest, RememberedAnswersAreKeptPerQuestionForOneRun) {
    TZMZipper& zip = Package(ThreeExistingAndOneBadCrc());
    ASSERT_TRUE(platform::ForceDirectories(dir.File("out")));
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) ASSERT_TRUE(WriteFile(Out(f), "old"));

    // No to all at the first existing file: no other file question; the checksum question is
    // its own and is still asked.
    TScriptedOwner owner;
    owner.answers = {Answer::NoToAll, Answer::No};
    extraction::TExtractionSession s(zip, ToOut(), owner.Make(), Languages);
    const extraction::RunEnd end = s.Run();
    EXPECT_EQ(EndKind::Done, end.kind) << U8(end.message);
    ASSERT_EQ(2u, owner.asked.size());
    EXPECT_EQ(Question::FileExists, owner.asked[0].first);
    EXPECT_EQ(0u, owner.asked[0].second.find("Файл a.txt существует.")) << owner.asked[0].second;
    EXPECT_EQ(Question::CrcMismatch, owner.asked[1].first);
    EXPECT_NE(std::string::npos, owner.asked[1].second.find("bad.txt"));
    for (const char* f : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ("old", ReadFile(Out(f))) << f;
    EXPECT_FALSE(platform::FileExists(Out("bad.txt"))) << "damaged data is kept only on Yes";
    EXPECT_EQ(3, s.KeptCount());
    ASSERT_EQ(1u, s.CrcMismatches().size());
    EXPECT_EQ(u"bad.txt", s.CrcMismatches()[0]);

    // Yes, then Yes to all: the third file is not asked about; Yes keeps the damaged data.
    TScriptedOwner again;
    again.answers = {Answer::Yes, Answer::YesToAll, Answer::Yes};
    extraction::TExtractionSession t(zip, ToOut(), again.Make(), Languages);
    EXPECT_EQ(EndKind::Done, t.Run().kind);
    EXPECT_EQ(3u, again.asked.size());
    for (const char* f : {"a.txt", "b.txt", "c.txt"})
        EXPECT_EQ(std::string("new ") + f[0], ReadFile(Out(f))) << f;
    EXPECT_EQ("damaged", ReadFile(Out("bad.txt")));
}

TEST_F(ExtractionSessionTest, CancelInAQuestionEndsTheRunAsCancelled) {
    TZMZipper& zip = Package(ThreeExistingAndOneBadCrc());
    ASSERT_TRUE(platform::ForceDirectories(dir.File("out")));
    ASSERT_TRUE(WriteFile(Out("a.txt"), "old"));
    TScriptedOwner owner;
    owner.answers = {Answer::Cancel};
    extraction::TExtractionSession s(zip, ToOut(), owner.Make(), Languages);
    const extraction::RunEnd end = s.Run();
    EXPECT_EQ(EndKind::Cancelled, end.kind);
    EXPECT_EQ(0, end.code);
    EXPECT_EQ(1u, owner.asked.size());
    EXPECT_EQ("old", ReadFile(Out("a.txt")));
    EXPECT_FALSE(platform::FileExists(Out("c.txt"))) << "the run stopped at the next check";
}

TEST_F(ExtractionSessionTest, SkipsStopTheRunAndClassifyItsEnd) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    TScriptedOwner owner;
    extraction::TExtractionSession s(Package(b), ToOut(), owner.Make(), Languages);
    ASSERT_EQ(EndKind::Done, s.Run().kind);
    TZMZipper& z = s.Zip();
    const TZMText a("a.txt", u"a.txt");
    bool abort = false;
    int value = 1234;
    z.OnSkipped(z, a, stFileExists, value);
    z.OnCheckTerminate(z, abort);
    EXPECT_FALSE(abort) << "a file left alone is no error";
    EXPECT_EQ(EndKind::Done, s.End().kind);
    EXPECT_EQ(1, s.SkippedCount());

    value = -ZE_ERR_CREATE;
    z.OnSkipped(z, a, stNoOpen, value);
    z.OnCheckTerminate(z, abort);
    EXPECT_TRUE(abort) << "any other skip stops the run";
    EXPECT_EQ(EndKind::EngineError, s.End().kind);
    EXPECT_EQ(-ZE_ERR_CREATE, s.End().code);
    EXPECT_FALSE(s.Cancelled());

    // A component code: its table's text, or no text at all where the table has none.
    value = 10504;
    z.OnSkipped(z, a, stNoAccess, value);
    EXPECT_EQ(EndKind::ComponentError, s.End().kind);
    EXPECT_EQ(platform::AnsiToWide(TCustomZMZipper::ZipLoadStr(10504)), s.End().message);
    value = 999999;
    z.OnSkipped(z, a, stNoAccess, value);
    EXPECT_EQ(EndKind::ComponentError, s.End().kind);
    EXPECT_TRUE(s.End().message.empty()) << U8(s.End().message);
}

TEST_F(ExtractionSessionTest, ComponentFailureIsAComponentErrorWithItsMessage) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "a");
    ASSERT_TRUE(WriteFile(dir.File("blocker"), "file"));
    extraction::Setup setup = ToOut();
    setup.destination = dir.File("blocker") + platform::PathDelimiter() + u"sub";
    TScriptedOwner owner;
    extraction::TExtractionSession s(Package(b), setup, owner.Make(), Languages);
    const extraction::RunEnd end = s.Run();
    EXPECT_EQ(EndKind::ComponentError, end.kind);
    EXPECT_NE(0, end.code);
    EXPECT_FALSE(end.message.empty());
    EXPECT_EQ("file", ReadFile(dir.File("blocker")));
}

// A package in a folder the code page cannot hold, extracted to another such folder: both paths
// reach the engine exactly, never with a '?' or a short form.
TEST_F(ExtractionSessionTest, PathsReachTheEngineExactly) {
    for (unsigned page : {1251u, 1252u}) {
        testutil::CodePageScope scope(page);
        const UString folder = dir.File(u8"游戏 Ελληνικά " + std::to_string(page));
        ASSERT_TRUE(platform::ForceDirectories(folder));
        zipkit::ZipBuilder b;
        b.AddFile("bin/App.EXE", "program");
        const UString pkg = folder + platform::PathDelimiter() + u"setup.exe";
        ASSERT_TRUE(wizardkit::WritePackage(pkg, b, {}));
        TZMArchiveFile opened;
        ASSERT_TRUE(opened.Open(pkg, true)) << page;
        const UString dest =
            folder + platform::PathDelimiter() + u"Игра Zażółć" + platform::PathDelimiter();

        TScriptedOwner owner;
        extraction::Setup setup;
        setup.destination = dest;
        extraction::TExtractionSession s(*opened.Zip, setup, owner.Make(), Languages);
        EXPECT_EQ(dest, s.Zip().ExtrBaseDir);
        const extraction::RunEnd end = s.Run();
        ASSERT_EQ(EndKind::Done, end.kind) << page << ": " << U8(end.message);
        EXPECT_EQ("program", ReadFile(dest + u"bin" + platform::PathDelimiter() + u"App.EXE"));
    }
}

// A package is read once when it is opened (the entry count and the program to run in one walk);
// the extraction through the same component does not read the directory again (the engine reads
// it once for its two passes).
TEST_F(ExtractionSessionTest, TheOpenedComponentRunsTheExtractionWithoutAnotherWalk) {
    zipkit::ZipBuilder b;
    b.AddFile("readme.txt", "read me");
    b.AddFile("bin/App.EXE", "program");
    TZMZipper& zip = Package(b);
    EXPECT_EQ(1u, package.Zip->DirectoryWalks());
    package.FindSingleExe();
    EXPECT_EQ(SystemPathName(u"bin/App.EXE"), package.ExeName);
    EXPECT_EQ(1u, package.Zip->DirectoryWalks());

    TScriptedOwner owner;
    extraction::Setup setup = ToOut();
    {
        extraction::TExtractionSession s(zip, setup, owner.Make(), Languages);
        ASSERT_EQ(EndKind::Done, s.Run().kind);
        EXPECT_EQ(2, s.ProcessedCount());
    }
    EXPECT_EQ(1u, package.Zip->DirectoryWalks());
    EXPECT_EQ("program", ReadFile(Out("bin/App.EXE")));
    EXPECT_FALSE(package.Zip->OnProgress) << "the borrowed component is handed back clean";
    EXPECT_FALSE(package.Zip->NotMainThread);

    // A second run through it (the wizard's Back and Next) works the same way.
    TScriptedOwner again;
    again.answers = {Answer::YesToAll};
    {
        extraction::TExtractionSession s(zip, setup, again.Make(), Languages);
        EXPECT_EQ(EndKind::Done, s.Run().kind);
        EXPECT_EQ(1u, again.asked.size());
    }
    EXPECT_EQ(1u, package.Zip->DirectoryWalks());

    // Another destination each time, one the code page cannot hold and then a plain one: each run
    // writes where it was told, none where an earlier run went.
    testutil::CodePageScope western(1252);
    for (const char* where : {u8"目的地", "plain"}) {
        setup.destination = dir.File(where) + platform::PathDelimiter();
        extraction::TExtractionSession s(zip, setup, owner.Make(), Languages);
        ASSERT_EQ(EndKind::Done, s.Run().kind) << where;
        EXPECT_EQ("program",
                  ReadFile(setup.destination + u"bin" + platform::PathDelimiter() + u"App.EXE"))
            << where;
    }
    EXPECT_EQ(0u, owner.asked.size()) << "both destinations were new";
}

// Under a code page that lacks the names' letters, the names stay exact all the way up: in the
// installer's log and in the message of its refusal, and in what zmpack extract prints.
TEST_F(ExtractionSessionTest, NamesOutsideTheCodePageStayExactInTheLogAndTheMessages) {
    testutil::CodePageScope western(1252);
    zipkit::ZipBuilder b;
    for (const char* name : {u8"Ελληνικά/ok.txt", u8"Ελληνικά/CON"}) {
        zipkit::Entry e;
        e.name = name;
        e.data = "data";
        e.utf8 = true;
        b.Add(e);
    }
    const std::string refusal = u8"refused entry name (reserved device name): Ελληνικά/CON";
    TZMZipper& zip = Package(b);

    ui::TForm form;
    ui::TComponent* log = form.Add(ui::Kind::Memo, u"log");
    TExtractWindow window;
    window.Log = log;
    bool done = false;
    window.Done = [&](int32_t, int32_t, bool) { done = true; };
    {
        TExtractThread thread(zip, dir.File("thread"), "", std::move(window));
        ASSERT_TRUE(hl::PumpUntil([&] { return done; }, 120000));
        const extraction::RunEnd end = thread.End();
        EXPECT_EQ(EndKind::EngineError, end.kind);
        EXPECT_EQ(refusal, U8(end.message));
        ASSERT_FALSE(thread.Session().Problems().empty());
        EXPECT_EQ(refusal, U8(thread.Session().Problems().back()));
    }
    ASSERT_FALSE(log->Lines().empty());
    EXPECT_EQ(SystemPathName(platform::Utf8ToWide(u8"Ελληνικά/ok.txt")), log->Lines()[0]);

    std::string out, err;
    zmpack::CaptureOutput(&out, &err);
    const int exit = zmpack::CmdExtract(
        {u"-d", dir.File("zmpack"), u"--overwrite", u"never", package.GetFileName()});
    zmpack::CaptureOutput(nullptr, nullptr);
    EXPECT_EQ(zmpack::kExitPackage, exit);
    EXPECT_NE(std::string::npos, err.find("zmpack extract: " + refusal + "\n")) << err;
    EXPECT_EQ(std::string::npos, err.find('?')) << err;
}

// The installer's thread (headless window) and `zmpack extract` run the same session: on every
// name of the hostile table both refuse the run, end with the same code and leave the same tree.
TEST_F(ExtractionSessionTest, InstallerAndZmpackDecideAlikeOnTheHostileNameTable) {
    const auto names = hostile::Names();
    ASSERT_GE(names.size(), 60u);
    int alike = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        const UString case_dir = dir.File("case" + std::to_string(i));
        ASSERT_TRUE(platform::ForceDirectories(case_dir));
        zipkit::Entry e;
        e.name = name;
        e.data = "escaped";
        e.utf8 = true;
        const UString pkg = case_dir + platform::PathDelimiter() + u"p.exe";
        ASSERT_TRUE(
            wizardkit::WritePackage(pkg, zipkit::ZipBuilder().AddFile("ok.txt", "ok").Add(e), {}));
        const UString by_thread =
            case_dir + platform::PathDelimiter() + u"thread" + platform::PathDelimiter() + u"dest";
        const UString by_zmpack =
            case_dir + platform::PathDelimiter() + u"zmpack" + platform::PathDelimiter() + u"dest";
        ASSERT_TRUE(platform::ForceDirectories(by_thread));
        ASSERT_TRUE(platform::ForceDirectories(by_zmpack));

        bool done = false;
        TExtractWindow window;
        window.Done = [&](int32_t, int32_t, bool) { done = true; };
        TZMArchiveFile opened;
        ASSERT_TRUE(opened.Open(pkg, true)) << name;
        TExtractThread thread(*opened.Zip, by_thread, "", std::move(window));
        ASSERT_TRUE(hl::PumpUntil([&] { return done; }, 120000)) << name;
        const extraction::RunEnd end = thread.End();

        std::string out, err;
        zmpack::CaptureOutput(&out, &err);
        const int exit = zmpack::CmdExtract({u"-d", by_zmpack, u"--overwrite", u"never", pkg});
        zmpack::CaptureOutput(nullptr, nullptr);
        // zmpack names the refusal and claims no count for a run that stopped.
        EXPECT_NE(std::string::npos, out.find("stopped; the files written before")) << out;
        EXPECT_EQ(std::string::npos, out.find("files extracted")) << out;
        EXPECT_NE(std::string::npos, err.find("refused entry name")) << "[" << name << "] " << err;
        const bool refused = end.kind == EndKind::EngineError && exit == zmpack::kExitPackage;
        EXPECT_TRUE(refused) << "[" << name << "] thread " << static_cast<int>(end.kind) << " "
                             << end.code << ", zmpack exit " << exit;
        EXPECT_EQ(hostile::Snapshot(by_thread), hostile::Snapshot(by_zmpack)) << "[" << name << "]";
        const std::vector<std::string> expected = {"p.exe", "thread/", "zmpack/"};
        std::vector<std::string> outside;
        for (const std::string& p : hostile::Snapshot(case_dir))
            if (p.find("/dest/") == std::string::npos) outside.push_back(p.substr(0, p.find(' ')));
        EXPECT_EQ(expected, outside) << "[" << name << "] nothing lands beside the destinations";
        if (refused && hostile::Snapshot(by_thread) == hostile::Snapshot(by_zmpack)) ++alike;
    }
    std::printf("hostile names: %zu in the table, %d decided alike by the installer and zmpack\n",
                names.size(), alike);
}

}  // namespace
