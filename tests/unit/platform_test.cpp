#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/fileinfo.h"
#include "platform/files.h"
#include "platform/pathparts.h"
#include "platform/md5.h"
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

// The parts of a path: '\' and '/' split on Windows, '/' elsewhere.
TEST(PathParts, SplitWhereTheSystemSplits) {
    const UString d(1, platform::PathDelimiter());
    const UString path = u"C:" + d + u"Games" + d + u"my.game" + d + u"setup.tar.exe";
    EXPECT_EQ(u"C:" + d + u"Games" + d + u"my.game" + d, platform::FolderPart(path));
    EXPECT_EQ(u"setup.tar.exe", platform::NamePart(path));
    EXPECT_EQ(u"setup.tar", platform::TitlePart(path));
    EXPECT_EQ(u".exe", platform::ExtensionPart(path));
    // A dot in a folder is no extension of the name.
    const UString bare = u"my.game" + d + u"README";
    EXPECT_EQ(u"", platform::ExtensionPart(bare));
    EXPECT_EQ(u"README", platform::TitlePart(bare));
    EXPECT_EQ(u"", platform::FolderPart(u"plain.txt"));
    EXPECT_EQ(0u, platform::NameStart(u"plain.txt"));
    EXPECT_EQ(u"", platform::NamePart(u"dir" + d));
    EXPECT_EQ(u"dir" + d, platform::WithTrailingDelimiter(u"dir"));
    EXPECT_EQ(u"dir" + d, platform::WithTrailingDelimiter(u"dir" + d));
    EXPECT_EQ(u"", platform::WithTrailingDelimiter(u""));
#ifdef _WIN32
    EXPECT_EQ(u"a/b\\", platform::FolderPart(u"a/b\\c.txt"));
    EXPECT_EQ(u"c", platform::TitlePart(u"a\\b/c.txt"));
#else
    EXPECT_EQ(u"a\\b.txt", platform::NamePart(u"dir/a\\b.txt")) << "'\\' is a name character";
#endif
}
