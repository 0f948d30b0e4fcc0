#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/fileinfo.h"
#include "platform/files.h"
#include "platform/md5.h"
#include "platform/pathnarrow.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "platform/shell.h"
#include "platform/thread.h"
#include "tests/unit/testutil.h"

using namespace platform;

TEST(Codepage, Utf8RoundTripIncludingSurrogatePairs) {
    const std::string text = u8"Привет, 世界, 😀, Zażółć";
    UString w = Utf8ToWide(text);
    EXPECT_EQ(WideToUtf8(w), text);
    EXPECT_EQ(Utf8ToWide("\xC0\xAF"), UString(u"\uFFFD\uFFFD")) << "overlong form is refused";
    EXPECT_EQ(Utf8ToWide("\xE2\x82"), UString(u"\uFFFD\uFFFD")) << "truncated sequence";
}

TEST(Codepage, ExactNarrowingRefusesMissingCharacters) {
    AnsiString out = "unchanged";
    if (SystemCodePage() != 65001) {
        EXPECT_FALSE(WideToAnsiExact(u"日本", out));
        EXPECT_EQ(out, "unchanged");
        // A fullwidth solidus must never become a path delimiter.
        EXPECT_EQ(WideToAnsi(u"a\uFF0Fb").find('/'), std::string::npos);
        EXPECT_EQ(WideToAnsi(u"a\uFF3Cb").find('\\'), std::string::npos);
    }
    EXPECT_TRUE(WideToAnsiExact(u"plain.txt", out));
    EXPECT_EQ(out, "plain.txt");
    EXPECT_EQ(AnsiToWide("abc"), UString(u"abc"));
}

TEST(Codepage, CaseMappingCoversCyrillic) {
    EXPECT_EQ(WideUpper(u"abc\u0430\u044f\u00e9"), UString(u"ABC\u0410\u042f\u00c9"));
    EXPECT_TRUE(SameTextNoCase(u"Config", u"cONFIG"));
    EXPECT_FALSE(SameTextNoCase(u"Config", u"Configs"));
}

TEST(Md5, KnownDigests) {
    EXPECT_EQ(Md5HexUpper("", 0), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Md5HexUpper("abc", 3), "900150983CD24FB0D6963F7D28E17F72");
}

TEST(Files, WriteReadSeekAndExclusiveCreate) {
    testutil::TempDir dir;
    UString f = dir.File("a/b/c.bin");
    ASSERT_TRUE(ForceDirectories(dir.File("a/b")));
    ASSERT_TRUE(testutil::WriteFile(f, "0123456789"));
    EXPECT_EQ(FileSize(f), 10);
    FileStream s;
    ASSERT_TRUE(s.Open(f, FileStream::Mode::ReadShared));
    EXPECT_EQ(s.Size(), 10);
    ASSERT_TRUE(s.Seek(7));
    char buf[8] = {0};
    EXPECT_EQ(s.Read(buf, 8), 3u);
    EXPECT_EQ(std::string(buf, 3), "789");
    FileStream n;
    EXPECT_FALSE(n.Open(f, FileStream::Mode::CreateNew)) << "an existing file is never replaced";
    EXPECT_TRUE(DirectoryExists(dir.File("a")));
    EXPECT_FALSE(FileExists(dir.File("a")));
}

TEST(Files, TimeSetThroughTheHandleOutlastsTheClose) {
    testutil::TempDir dir;
    const UString f = dir.File("t.bin");
    FileStream s;
    ASSERT_TRUE(s.Open(f, FileStream::Mode::CreateNew));
    ASSERT_TRUE(s.Write("abc", 3));
    ASSERT_TRUE(s.SetModTime(1500000000));
    ASSERT_TRUE(s.Close());
    int64_t t = 0;
    ASSERT_TRUE(GetFileModTime(f, t));
    EXPECT_EQ(t, 1500000000);
    EXPECT_FALSE(s.SetModTime(1500000000)) << "no handle once closed";
}

TEST(Files, LongAndUnicodePaths) {
    testutil::TempDir dir;
    std::string deep;
    for (int i = 0; i < 12; ++i) deep += "folder-with-a-long-name-" + std::to_string(i) + "/";
    UString folder = dir.File(deep + u8"Ωμέγα-日本");
    ASSERT_GT(folder.size(), 260u);
    ASSERT_TRUE(ForceDirectories(folder));
    UString file = folder + PathDelimiter() + Utf8ToWide(u8"файл.txt");
    ASSERT_TRUE(testutil::WriteFile(file, "x"));
    EXPECT_EQ(testutil::ReadFile(file), "x");
    EXPECT_TRUE(SetFileModTime(file, 1700000000));
}

TEST(Thread, TakesTurnsThroughTheLockAndTheConditionAndJoins) {
    // The test and the worker take turns 1,000 times each; every wait and wake-up must land.
    struct Shared {
        Mutex m;
        Condition c;
        int turn = 0;
        int out_of_turn = 0;
    } s;
    auto worker = [](void* p) {
        Shared& s = *static_cast<Shared*>(p);
        for (int i = 0; i < 1000; ++i) {
            MutexLock g(s.m);
            while (s.turn % 2 == 0) s.c.Wait(s.m);
            if (s.turn != 2 * i + 1) ++s.out_of_turn;
            ++s.turn;
            s.c.NotifyAll();
        }
    };
    Thread t;
    ASSERT_TRUE(t.Start(worker, &s));
    EXPECT_TRUE(t.Started());
    EXPECT_FALSE(t.Start(worker, &s)) << "one thread per object at a time";
    for (int i = 0; i < 1000; ++i) {
        MutexLock g(s.m);
        while (s.turn % 2 == 1) s.c.Wait(s.m);
        ++s.turn;
        s.c.NotifyOne();
    }
    t.Join();
    EXPECT_FALSE(t.Started());
    EXPECT_EQ(s.turn, 2000);
    EXPECT_EQ(s.out_of_turn, 0);
}

TEST(Process, OwnFileAndGuid) {
    UString exe = GetExeName();
    EXPECT_TRUE(FileExists(exe)) << WideToUtf8(exe);
    AnsiString g1, g2;
    ASSERT_TRUE(CreateGuidText(g1));
    ASSERT_TRUE(CreateGuidText(g2));
    EXPECT_EQ(g1.size(), 38u);
    EXPECT_NE(g1, g2);
    // "{8-4-4-4-12}" in upper-case hexadecimal digits on every system.
    for (size_t i = 0; i < g1.size(); ++i) {
        const char c = g1[i];
        if (i == 0) {
            EXPECT_EQ('{', c) << g1;
        } else if (i == 37) {
            EXPECT_EQ('}', c) << g1;
        } else if (i == 9 || i == 14 || i == 19 || i == 24) {
            EXPECT_EQ('-', c) << g1;
        } else {
            EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << g1;
        }
    }
}

TEST(Resources, OverrideAndMissing) {
    RcData d;
    EXPECT_FALSE(FindRcData("NO_SUCH_RESOURCE", d));
    static const unsigned char bytes[] = {1, 2, 3};
    OverrideRcData("TestBlob", bytes, sizeof(bytes));
    ASSERT_TRUE(FindRcData("TESTBLOB", d));
    EXPECT_EQ(d.size, 3u);
    OverrideRcData("TestBlob", nullptr, 0);
    EXPECT_FALSE(FindRcData("testblob", d));
}

TEST(Shell, HookReceivesTargetsAndEmptyDoesNothing) {
    std::vector<UString> seen;
    SetShellOpenHook([&](const UString& t) { seen.push_back(t); });
    ShellOpenAnsi("");
    ShellOpenAnsi("https://example.org/x");
    ShellOpenWide(u"C:\\\u65e5");
    SetShellOpenHook(nullptr);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], UString(u"https://example.org/x"));
}

// What the extraction and the shell are handed for a path: the exact 8-bit form, the short form
// where the system keeps one, otherwise nothing; and whatever is handed names the same place.
class PathNarrowTest : public ::testing::Test {
  protected:
    // out names the folder `wide`: a file written through it shows up there.
    void ExpectSameFolder(const AnsiString& out, const UString& wide) {
        EXPECT_EQ(out.find('?'), std::string::npos) << out;
        UString through = AnsiToWide(out);
        if (!IsPathDelimiter(through.back())) through.push_back(PathDelimiter());
        ASSERT_TRUE(testutil::WriteFile(through + u"probe.txt", "probe")) << out;
        UString folder = wide;
        if (!IsPathDelimiter(folder.back())) folder.push_back(PathDelimiter());
        EXPECT_EQ("probe", testutil::ReadFile(folder + u"probe.txt")) << out;
        RemoveFile(folder + u"probe.txt");
    }
    // The outcome the system must give for an existing path.
    void ExpectNarrowed(const UString& path) {
        AnsiString out = "untouched", exact;
        const NarrowedAs how = NarrowPath(path, out);
        if (WideToAnsiExact(path, exact)) {
            EXPECT_EQ(NarrowedAs::Exact, how);
            EXPECT_EQ(exact, out);
        } else if (testutil::HasShortNames()) {
            ASSERT_EQ(NarrowedAs::ShortName, how) << WideToUtf8(path);
            ExpectSameFolder(out, path);
        } else {
            EXPECT_EQ(NarrowedAs::Failed, how);
            EXPECT_EQ("untouched", out) << "a failure leaves the result alone";
        }
    }

    testutil::TempDir dir;
};

TEST_F(PathNarrowTest, ExistingFoldersNamedOutsideTheCodePage) {
    const UString plain = dir.File("plain folder");
    const UString mixed = dir.File(u8"中文 Zażółć 😀 Ελληνικά/");
    ASSERT_TRUE(ForceDirectories(plain));
    ASSERT_TRUE(ForceDirectories(mixed));
    AnsiString out;
    EXPECT_EQ(NarrowedAs::Exact, NarrowPath(plain, out));
    EXPECT_EQ(AnsiToWide(out), plain);

    ExpectNarrowed(mixed);
    {
        // A Cyrillic system: the Cyrillic name is exact, the others are not.
        testutil::CodePageScope cyrillic(1251);
        const UString russian = dir.File(u8"Программы");
        ASSERT_TRUE(ForceDirectories(russian));
        if (SystemCodePage() == 1251) {
            EXPECT_EQ(NarrowedAs::Exact, NarrowPath(russian, out));
            EXPECT_EQ(AnsiToWide(out), russian);
        }
        ExpectNarrowed(mixed);
    }
}

TEST_F(PathNarrowTest, MissingFolderIsCreatedOnlyWhenAskedAndOnlyToGetAShortName) {
    testutil::CodePageScope western(1252);
    const UString parent = dir.File(u8"新しい");
    const UString folder =
        parent + PathDelimiter() + u"\u5B50\u30D5\u30A9\u30EB\u30C0" + PathDelimiter();
    AnsiString out = "untouched";
    const NarrowedAs plain = NarrowPath(folder, out);
    EXPECT_FALSE(DirectoryExists(parent)) << "nothing is created unasked";
    const NarrowedAs created = NarrowPath(folder, out, kNarrowCreateFolder);
    AnsiString exact;
    if (WideToAnsiExact(folder, exact)) {  // a UTF-8 system
        EXPECT_EQ(NarrowedAs::Exact, plain);
        EXPECT_EQ(NarrowedAs::Exact, created);
        EXPECT_FALSE(DirectoryExists(parent)) << "an exact path needs no folder made for it";
    } else if (testutil::HasShortNames()) {
        EXPECT_EQ(NarrowedAs::Failed, plain);
        ASSERT_EQ(NarrowedAs::ShortName, created);
        EXPECT_TRUE(DirectoryExists(folder));
        ExpectSameFolder(out, folder);
    } else {
        EXPECT_EQ(NarrowedAs::Failed, plain);
        EXPECT_EQ(NarrowedAs::Failed, created);
        EXPECT_EQ("untouched", out);
        EXPECT_FALSE(DirectoryExists(parent)) << "a folder that cannot help is not made";
    }
}

TEST_F(PathNarrowTest, PathsLongerThanTheClassicLimit) {
    testutil::CodePageScope western(1252);
    std::string deep;
    for (int i = 0; i < 18; ++i) deep += u8"папка-με-όνομα-" + std::to_string(i) + "/";
    const UString folder = dir.File(deep + u8"末端 😀/");
    ASSERT_GT(folder.size(), 300u);
    AnsiString out = "untouched";
    const NarrowedAs how = NarrowPath(folder, out, kNarrowCreateFolder);
    if (testutil::HasShortNames()) {
        ASSERT_EQ(NarrowedAs::ShortName, how);
        EXPECT_EQ(out.find("\\\\?\\"), std::string::npos) << "the \\\\?\\ form stays inside";
        ExpectSameFolder(out, folder);
    } else {
        EXPECT_EQ(WideToAnsiExact(folder, out) ? NarrowedAs::Exact : NarrowedAs::Failed, how);
    }
}
