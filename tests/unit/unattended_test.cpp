// The command line and the unattended install: the switch table, silent runs on real package
// files (no window and no box whatever happens, the log, the exit code of each outcome) and the
// wizard started with a destination, a language or a bad switch.
#include "app/ucmdline.h"
#include "app/ustartup.h"
#include "common/ownfile.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/unit/wizard_testkit.h"
#include "ui/headless/headless.h"
#include "ui/services.h"
#include "wizard/Main.h"

namespace {

using wizardkit::U8;
namespace hl = ui::headless;

// A full path as the table writes it: '/' between its parts, no drive.
std::string Neutral(const UString& path) {
    std::string s = U8(path);
    if (s.size() >= 2 && s[1] == ':') s.erase(0, 2);
    for (char& c : s) {
        if (c == '\\') c = '/';
    }
    return s;
}

// Everything a parse decided, in one line.
std::string Parsed(const std::string& tail) {
    const TCommandLine c = ParseCommandLine(platform::Utf8ToWide(tail), u"/cur");
    std::string s;
    if (c.Silent) s += " silent";
    if (c.Help) s += " help";
    if (c.Run) s += " run";
    if (!c.Destination.empty()) s += " dest=" + Neutral(c.Destination);
    if (!c.LogFile.empty()) s += " log=" + Neutral(c.LogFile);
    if (c.Overwrite != TOverwrite::Default)
        s += c.Overwrite == TOverwrite::Always ? " always" : " never";
    if (!c.Language.empty()) s += " lang=" + c.Language;
    if (!c.Error.empty()) s += " error: " + U8(c.Error);
    return s.empty() ? s : s.substr(1);
}

TEST(CommandLine, SwitchesTheirValuesAndTheirErrors) {
    const std::pair<const char*, const char*> table[] = {
        {"", ""},
        {"  \t ", ""},
        {"/S", "silent"},
        {"-silent /VerySilent", "silent"},
        {"/S /D=/opt/My App/Сервис  ", "silent dest=/opt/My App/Сервис/"},
        {"/D=/opt/a /S", "dest=/opt/a /S/"},  // the rest of the line, switches and all
        {"/D=\"/opt/a b\"", "dest=/opt/a b/"},
        {"/d=sub dir/../app", "dest=/cur/app/"},
        {"/DIR=\"/opt/a b\" -s", "silent dest=/opt/a b/"},
        {"-dir=rel", "dest=/cur/rel/"},
        // Quoted whole, as callers that quote every argument with a blank write it.
        {"\"/D=/opt/a b\" /S \"-LOG=x y.txt\"", "silent dest=/opt/a b/ log=/cur/x y.txt"},
        {"\"/X\"", "error: Unknown switch: /X."},
        {"\"/D=/a\"b", "error: Malformed switch: \"/D=/a\"b."},
        {"/LOG=\"logs/in st.log\" /lang=de", "log=/cur/logs/in st.log lang=de"},
        {"/log=/var/x.log", "log=/var/x.log"},
        {"/OVERWRITE=NEVER", "never"},
        {"-overwrite=Always", "always"},
        {"/RUN /? -HELP", "help run"},
        {"/X", "error: Unknown switch: /X."},
        {"/SX /S", "silent error: Unknown switch: /SX."},
        {"setup.exe", "error: Not a switch: setup.exe."},
        {"/S=1", "error: The switch /S takes no value."},
        {"/LOG", "error: The switch /LOG needs a value."},
        {"/LOG= /S", "silent error: The switch /LOG needs a value."},
        {"/D=", "error: The switch /D needs a folder."},
        {"/D=  ", "error: The switch /D needs a folder."},
        {"/OVERWRITE=sometimes",
         "error: The switch /OVERWRITE takes always or never, not sometimes."},
        {"/DIR=\"/opt/a b", "error: Malformed value of /DIR."},
        {"/DIR=\"/a\"b /S", "silent error: Malformed value of /DIR."},
        {"/LOG=a\"b", "error: Malformed value of /LOG."},
        {"/LANG=д", "error: Not a language id: д."},
        // The first error is the one told; what follows is still read.
        {"/Y /X /S /LOG=l.txt", "silent log=/cur/l.txt error: Unknown switch: /Y."},
    };
    for (const auto& row : table) EXPECT_EQ(row.second, Parsed(row.first)) << row.first;
}

TEST(CommandLine, UsageListsEverySwitchAndExitCode) {
    const std::string usage = U8(UsageText());
    for (const char* word :
         {"/S", "/SILENT", "/VERYSILENT", "/D=DIR", "/DIR=\"DIR\"", "/LOG=FILE",
          "/OVERWRITE=always|never", "/LANG=ID", "/RUN", "/?", "/HELP", "0 installed",
          "1 cancelled", "2 the package", "3 the extraction", "4 a usage error"}) {
        EXPECT_NE(std::string::npos, usage.find(word)) << word;
    }
}

// An entry's name as the log shows it ('\\' between its parts on Windows).
std::string Sys(const char* stored) { return U8(SystemPathName(platform::Utf8ToWide(stored))); }

class UnattendedTest : public wizardkit::TInstallerTest {
  protected:
    void SetUp() override {
        TInstallerTest::SetUp();
        // Any window at all is a fault of a silent run; the wizard's tests set their own.
        hl::OnNextModal([this](ui::TForm& form) {
            windows.push_back(U8(form.Caption()));
            hl::CloseBox(form);
        });
    }
    UString Package(const wizardkit::TPackageLayout& layout = {}) {
        zipkit::ZipBuilder b;
        b.AddFile("doc/readme.txt", "hello");
        b.AddFile("Demo.exe", "MZ program");
        b.AddFile("new.txt", "new");
        const UString path = dir.File("Setup.exe");
        EXPECT_TRUE(wizardkit::WritePackage(path, b, layout));
        return path;
    }
    int Silent(const UString& package, const std::string& more) {
        const std::string line = "/S /LOG=\"" + U8(log) + "\" " + more;
        return RunSetup(package, ParseCommandLine(platform::Utf8ToWide(line), dir.Path()));
    }
    std::vector<std::string> LogLines() const {
        std::vector<std::string> lines;
        const std::string text = testutil::ReadFile(log);
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            if (end == std::string::npos) end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 2;
        }
        return lines;
    }
    void ExpectNothingShown() {
        EXPECT_EQ(0u, ShownCount()) << (ShownCount() > 0 ? ShownTexts()[0] : "");
        EXPECT_TRUE(windows.empty()) << (windows.empty() ? "" : windows[0]);
        EXPECT_EQ(nullptr, MainForm);
    }

    UString log = dir.File("logs/setup log.txt");
    UString dest = dir.File("Program Files/Моя программа") + platform::PathDelimiter();
    std::vector<std::string> windows;
};

TEST_F(UnattendedTest, SilentInstallWritesTheFilesAndTheLogAndUpdatesWithoutAsking) {
    const UString path = Package();
    ASSERT_TRUE(platform::ForceDirectories(dest + u"doc"));
    ASSERT_TRUE(testutil::WriteFile(dest + u"doc/readme.txt", "old"));
    for (int run : {1, 2}) {
        SCOPED_TRACE(run);
        EXPECT_EQ(0, Silent(path, "/D=" + U8(dest)));
        ExpectNothingShown();
        EXPECT_EQ("hello", testutil::ReadFile(dest + u"doc/readme.txt")) << "replaced, unasked";
        EXPECT_EQ("new", testutil::ReadFile(dest + u"new.txt"));
        EXPECT_EQ((std::vector<std::string>{"Demo: " + U8(dest), Sys("doc/readme.txt"), "Demo.exe",
                                            "new.txt", "Exit code 0: installed"}),
                  LogLines());
        EXPECT_TRUE(opened.empty()) << "the program starts only with /RUN";
    }
    EXPECT_EQ(0, Silent(path, "/RUN /DIR=\"" + U8(dest) + "\""));
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(U8(dest) + "Demo.exe", U8(opened[0]));
}

TEST_F(UnattendedTest, OverwriteNeverKeepsExistingFilesAndSaysSo) {
    wizardkit::TPackageLayout layout;
    layout.lang_pack = wizardkit::PackWith({{11, "%s exists. Overwrite?"}});
    const UString path = Package(layout);
    ASSERT_TRUE(platform::ForceDirectories(dest + u"doc"));
    ASSERT_TRUE(testutil::WriteFile(dest + u"doc/readme.txt", "old"));
    ASSERT_TRUE(testutil::WriteFile(dest + u"Demo.exe", "old program"));
    EXPECT_EQ(0, Silent(path, "/overwrite=never /lang=EN /D=" + U8(dest)));
    ExpectNothingShown();
    EXPECT_EQ("en", Languages.CurrentLanguage());
    EXPECT_EQ("old", testutil::ReadFile(dest + u"doc/readme.txt"));
    EXPECT_EQ("old program", testutil::ReadFile(dest + u"Demo.exe"));
    EXPECT_EQ("new", testutil::ReadFile(dest + u"new.txt"));
    // One question answers the rest (no to all); its text is logged where a box would show it.
    EXPECT_EQ((std::vector<std::string>{"Demo: " + U8(dest), Sys("doc/readme.txt"),
                                        Sys("doc/readme.txt") + " exists. Overwrite?", "Demo.exe",
                                        "new.txt", "Exit code 0: installed"}),
              LogLines());
}

TEST_F(UnattendedTest, EveryFailureEndsWithItsCodeAndShowsNothing) {
    struct Case {
        const char* what;
        wizardkit::TPackageLayout layout;
        std::string switches;
        int code;
        std::string line;  // the log's line before the outcome
    };
    wizardkit::TPackageLayout stub_only, damaged;
    stub_only.no_container = true;
    damaged.damage_zip = true;
    damaged.lang_pack = wizardkit::PackWith({{1, "The archive is damaged."}});
    damaged.langid = "en";
    const std::vector<Case> cases = {
        {"no package", stub_only, "", 2, "Package Corrupted!"},
        {"damaged archive", damaged, "", 2, "The archive is damaged."},
        {"unknown switch", {}, "/QUIET", 4, "Unknown switch: /QUIET."},
        {"unknown language", {}, "/LANG=xx", 4, "The package has no language xx."},
        // The destination cannot be made: a file stands where its folder would be.
        {"extraction", {}, "/D=" + U8(dir.File("blocker/sub")), 3, ""},
    };
    ASSERT_TRUE(testutil::WriteFile(dir.File("blocker"), "a file"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Languages = TLanguages();
        const UString path = Package(c.layout);
        EXPECT_EQ(c.code, Silent(path, c.switches));
        ExpectNothingShown();
        const std::vector<std::string> lines = LogLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ("Exit code " + std::to_string(c.code), lines.back().substr(0, 11));
        if (!c.line.empty()) {
            EXPECT_EQ(c.line, lines[lines.size() - 2]);
        }
        EXPECT_FALSE(platform::DirectoryExists(TZMArchiveFile::DefaultDestDir(path, u"Demo")))
            << "nothing installed";
    }
}

TEST_F(UnattendedTest, UsageWithoutSilentIsABoxAndNoWizard) {
    const UString path = Package();
    for (const char* line : {"/?", "/X /D=x", "/lang=en /bogus"}) {
        SCOPED_TRACE(line);
        hl::Reset();
        hl::AnswerNext(ui::mrOk);
        const TCommandLine cmd = ParseCommandLine(platform::Utf8ToWide(line), dir.Path());
        const bool help = std::string(line) == "/?";
        EXPECT_EQ(help ? 0 : 4, RunSetup(path, cmd));
        ASSERT_EQ(1u, ShownCount());
        const std::string text = ShownTexts()[0];
        // The table, after what was wrong with the line.
        EXPECT_NE(std::string::npos, text.find("setup.exe [/S]")) << text;
        EXPECT_EQ(help, text.rfind("Unknown switch: /", 0) == std::string::npos) << text;
        EXPECT_EQ(unsigned(help ? ui::miInformation : ui::miError), hl::Shown()[0].Icon);
        EXPECT_EQ(nullptr, MainForm);
    }
}

TEST_F(UnattendedTest, WizardShowsTheDestinationAndEndsWithTheOutcome) {
    wizardkit::TPackageLayout layout;
    layout.lang_pack = wizardkit::PackWith({});
    const UString path = Package(layout);
    UString shown;
    hl::Reset();
    hl::OnNextModal([&](ui::TForm& f) {
        auto& form = static_cast<TMainForm&>(f);
        shown = form.txtOutput->Text();
        ASSERT_TRUE(hl::Click(*form.btnNext));
        ASSERT_TRUE(hl::PumpUntil([&] { return !form.Extracting; }, 120000));
        ASSERT_TRUE(hl::Click(*form.btnNext));
        ASSERT_TRUE(hl::Click(*form.btnCancel));
    });
    // No chooser with a language from the command line.
    const std::string line = "/lang=ru /D=" + U8(dest);
    EXPECT_EQ(0, RunSetup(path, ParseCommandLine(platform::Utf8ToWide(line), dir.Path())));
    EXPECT_EQ(U8(dest), U8(shown));
    EXPECT_EQ("ru", Languages.CurrentLanguage());
    EXPECT_EQ("new", testutil::ReadFile(dest + u"new.txt"));
}

TEST_F(UnattendedTest, WizardEndsWithTheOutcomeOfItsLastRun) {
    ASSERT_TRUE(testutil::WriteFile(dir.File("blocker"), "a file"));
    for (bool damaged : {true, false}) {
        SCOPED_TRACE(damaged);
        wizardkit::TPackageLayout layout;
        layout.langid = "en";
        layout.damage_zip = damaged;
        const UString path = Package(layout);
        hl::Reset();
        hl::OnNextModal([&](ui::TForm& f) {
            auto& form = static_cast<TMainForm&>(f);
            hl::AnswerNext(ui::mrOk);  // the damaged archive, or the extraction's error
            ASSERT_TRUE(hl::Click(*form.btnNext));
            if (damaged) return;  // the window closes after its box
            ASSERT_TRUE(hl::PumpUntil([&] { return !form.Extracting; }, 120000));
            hl::AnswerNext(ui::mrYes);
            EXPECT_TRUE(hl::CloseBox(form));
        });
        // The destination cannot be made: a file stands where its folder would be.
        const std::string line = "/D=" + U8(dir.File("blocker/sub"));
        const int code = RunSetup(path, ParseCommandLine(platform::Utf8ToWide(line), dir.Path()));
        EXPECT_EQ(damaged ? ecPackageDamaged : ecExtractionFailed, code);
        EXPECT_EQ(damaged ? 1u : 2u, ShownCount());
    }
}

}  // namespace
