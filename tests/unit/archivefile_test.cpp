#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/ZM_Common.h"
#include "package/ZMArchiveFile.h"
#include "package/ZMContainerWriter.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

std::string Config(const std::string& title, const std::string& more = std::string()) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><config><archive_id>42</archive_id>"
           "<archive_name>" +
           title + "</archive_name>" + more + "</config>";
}

std::string ZipOf(const std::vector<std::string>& names) {
    zipkit::ZipBuilder b;
    for (const auto& n : names) {
        if (!n.empty() && n.back() == '/')
            b.AddFolder(n);
        else
            b.AddFile(n, "data of " + n);
    }
    return b.Build();
}

// A package: a stub image, then "config" (scrambled, checked) and "zip" (checked, last).
bool Package(const UString& path, const std::string& config, const std::string& zip,
             const std::string& stub = std::string(3000, 'M')) {
    TZMContainerWriter w;
    if (!w.Begin(path, stub)) return false;
    if (!config.empty() && !w.AddBlock("config", config, true, true, 0, 0x5A)) return false;
    if (!zip.empty() && !w.AddBlock("zip", zip, true, false, 15, 0)) return false;
    return w.Finish();
}

void ExpectEmpty(const TZMArchiveFile& f) {
    EXPECT_EQ(nullptr, f.Container);
    EXPECT_EQ(nullptr, f.Config);
    EXPECT_EQ(nullptr, f.Zip);
    EXPECT_EQ(nullptr, f.GetSettings());
    EXPECT_TRUE(f.GetFileName().empty());
}

TEST(ArchiveFile, RefusesWhatTheInstallerCouldNotUse) {
    TempDir dir;
    const std::string zip = ZipOf({"a.txt"});
    using F = TZMOpenFailure;
    struct Case {
        const char* what;
        std::string bytes;  // used when not built as a package
        std::string config, zip;
        TZMOpenFailure failure;  // the reason the object gives
    } cases[] = {
        {"a plain zip, no container", zip, "", "", F::NoContainer},
        {"no file", "", "", "", F::NoContainer},
        {"config without any key", "", "<config/>", zip, F::ConfigWithoutKey},
        {"config that is neither xml nor lines", "", "just text", zip, F::ConfigWithoutKey},
        {"no config block", "", "", zip, F::NoConfig},
        {"no zip block", "", Config("T"), "", F::ArchiveUnreadable},
        {"an archive without entries", "", Config("T"), zipkit::ZipBuilder().Build(),
         F::ArchiveEmpty},
        {"a zip block that is not an archive", "", Config("T"), std::string(500, 'z'),
         F::ArchiveUnreadable},
    };
    int n = 0;
    for (const Case& c : cases) {
        UString path = dir.File("case" + std::to_string(n++) + ".exe");
        if (!c.bytes.empty()) {
            ASSERT_TRUE(WriteFile(path, c.bytes));
        } else if (!c.config.empty() || !c.zip.empty()) {
            ASSERT_TRUE(Package(path, c.config, c.zip)) << c.what;
        }
        TZMArchiveFile f;
        EXPECT_FALSE(f.Open(path, true)) << c.what;
        ExpectEmpty(f);
        const TZMOpenError& why = f.OpenError();
        EXPECT_EQ(c.failure, why.failure) << c.what;
        // The component's own code and text come along for an archive it could not read.
        EXPECT_EQ(c.failure == F::ArchiveUnreadable, why.code != 0) << c.what;
        EXPECT_EQ(why.code != 0, !why.message.empty()) << c.what;
    }
}

TEST(ArchiveFile, OpensAPackageAndDerivesItsView) {
    TempDir dir;
    UString path = dir.File("setup.exe");
    ASSERT_TRUE(Package(path, Config("My App", "<archive_password>s3cret</archive_password>"),
                        ZipOf({"bin/", "bin/app.exe", "readme.txt"})));
    TZMArchiveFile f;
    ASSERT_TRUE(f.Open(path, true));
    EXPECT_EQ(TZMOpenFailure::None, f.OpenError().failure);
    ASSERT_NE(nullptr, f.Zip);
    EXPECT_EQ(3, f.Zip->Count());
    EXPECT_EQ(2, f.FileCount()) << "folders are not counted";
    EXPECT_EQ(path, f.GetFileName());
    EXPECT_EQ(u"My App", f.GetTitle());
    ASSERT_NE(nullptr, f.GetSettings());
    EXPECT_EQ(42, f.GetSettings()->ArchiveId);
    EXPECT_EQ(U8(dir.Path()) + "My App" + U8(UString(1, platform::PathDelimiter())), U8(f.DestDir));
    EXPECT_EQ("s3cret", f.ArchivePassword);
    const AnsiString url = f.GetAbuseUrl();
    ASSERT_GT(url.size(), 2u);
    EXPECT_EQ("42", url.substr(url.size() - 2));
    EXPECT_TRUE(f.VerifyZip(true, nullptr));

    TZMArchiveFile g;
    ASSERT_TRUE(g.Open(path, false));
    EXPECT_EQ(nullptr, g.Zip) << "the component goes when not asked to keep it";
    EXPECT_NE(nullptr, g.Container);
    EXPECT_TRUE(g.ArchivePassword.empty() == false);

    // Reopening on a broken file frees everything again.
    UString junk = dir.File("junk.exe");
    ASSERT_TRUE(WriteFile(junk, "MZ nothing"));
    EXPECT_FALSE(g.Open(junk, true));
    ExpectEmpty(g);
}

TEST(ArchiveFile, TitleAndDestinationFallBacks) {
    TempDir dir;
    const std::string zip = ZipOf({"x.txt"});
    {
        UString path = dir.File("package_v2.exe");
        ASSERT_TRUE(Package(path, Config("Given Title"), zip));
        TZMArchiveFile f;
        ASSERT_TRUE(f.Open(path, false));
        EXPECT_TRUE(f.ArchivePassword.empty());
        f.GetSettings()->TitleFromFileName = true;
        EXPECT_EQ(u"package_v2", f.GetTitle());
    }
    {
        UString path = dir.File("no.title.here.exe");
        ASSERT_TRUE(Package(path, Config(""), zip));
        TZMArchiveFile f;
        ASSERT_TRUE(f.Open(path, false));
        EXPECT_EQ(u"no.title.here", f.GetTitle());
    }
    for (const char* title : {"???", "CON", "a&lt;b&gt;c|d"}) {
        UString path = dir.File("t.exe");
        ASSERT_TRUE(Package(path, Config(title), zip));
        TZMArchiveFile f;
        ASSERT_TRUE(f.Open(path, false)) << title;
        const std::string expected = std::string(title).size() > 5 ? "abcd" : "";
        const std::string delim = U8(UString(1, platform::PathDelimiter()));
        EXPECT_EQ(U8(dir.Path()) + (expected.empty() ? "" : expected + delim), U8(f.DestDir))
            << title;
    }
}

// A package in a folder and with a title the system code page cannot hold (here: a Western
// system, and a Chinese folder with a Polish and emoji title).
TEST(ArchiveFile, FolderAndTitleOutsideTheCodePage) {
    testutil::CodePageScope western(1252);
    TempDir dir;
    const UString folder = dir.File(u8"安装程序");
    ASSERT_TRUE(platform::ForceDirectories(folder));
    const UString path = folder + platform::PathDelimiter() + u"setup.exe";
    ASSERT_TRUE(Package(path, Config(u8"Zażółć gęślą: 😀 Ελληνικά"), ZipOf({u8"日本.txt"})));
    TZMArchiveFile f;
    ASSERT_TRUE(f.Open(path, true)) << "not a corrupted package";
    EXPECT_EQ(1, f.Zip->Count());
    const std::string delim = U8(UString(1, platform::PathDelimiter()));
    EXPECT_EQ(U8(folder) + delim + u8"Zażółć gęślą 😀 Ελληνικά" + delim, U8(f.DestDir))
        << "the title names the folder as it is";
    // The component reads the file by its exact path (no 8-bit form of it exists).
    EXPECT_TRUE(f.Zip->ForEachEntry([](const zipformat::ZipEntry&) { return true; }));
}

TEST(ArchiveFile, FindSingleExe) {
    TempDir dir;
    struct Case {
        std::vector<std::string> names;
        const char16_t* expected;
    } cases[] = {
        {{"readme.txt", "bin/Tool.EXE", "lib/x.dll"}, u"bin/Tool.EXE"},
        {{"a.exe", "b.exe"}, u""},
        {{"readme.txt", "notes"}, u""},
        {{"dir.exe/", "dir.exe/readme", "run.exe"}, u"run.exe"},  // folders with dots
        {{"setup.exe.txt", "exe", "real.exe"}, u"real.exe"},
    };
    for (const Case& c : cases) {
        UString path = dir.File("p.exe");
        ASSERT_TRUE(Package(path, Config("T"), ZipOf(c.names)));
        TZMArchiveFile f;
        ASSERT_TRUE(f.Open(path, true));
        f.FindSingleExe();
        // As a relative path of the system: bin\Tool.EXE on Windows.
        EXPECT_EQ(SystemPathName(c.expected), f.ExeName) << c.names[0];
    }
    TZMArchiveFile closed;  // no component: nothing to search, nothing changes
    closed.ExeName = u"kept";
    closed.FindSingleExe();
    EXPECT_EQ(u"kept", closed.ExeName);
}

// The "zip" block's check through the package, with the pauses recorded instead of slept.
class VerifyPacing : public ::testing::Test {
  protected:
    void SetUp() override {
        TZMContainerFile::SetSleepHook([this](unsigned ms) { sleeps.push_back(ms); });
    }
    void TearDown() override { TZMContainerFile::SetSleepHook(nullptr); }
    std::vector<unsigned> sleeps;
};

TEST_F(VerifyPacing, FiveMillionBytesReportEachPercentOnce) {
    TempDir dir;
    // A stored entry sized so that the whole archive is exactly 5,000,000 bytes.
    auto build = [](size_t n) {
        zipkit::ZipBuilder b;
        b.AddFile("big.bin", zipkit::RandomBytes(n, 3), 0);
        return b.Build();
    };
    std::string zip = build(5000000);
    zip = build(5000000 - (zip.size() - 5000000));
    ASSERT_EQ(5000000u, zip.size());
    UString path = dir.File("big.exe");
    ASSERT_TRUE(Package(path, Config("Big"), zip));
    TZMArchiveFile f;
    ASSERT_TRUE(f.Open(path, true));

    std::vector<int> percents;
    EXPECT_TRUE(f.VerifyZip(false, [&](int p, bool&) { percents.push_back(p); }));
    ASSERT_EQ(99u, percents.size());
    for (size_t i = 0; i < percents.size(); ++i) EXPECT_EQ(static_cast<int>(i) + 2, percents[i]);
    EXPECT_EQ(std::vector<unsigned>(99, 200), sleeps);

    sleeps.clear();
    EXPECT_TRUE(f.VerifyZip(true, [](int, bool&) {}));
    EXPECT_TRUE(sleeps.empty()) << "fast mode never sleeps";

    // Aborting ends the check at once without a failure.
    int calls = 0;
    EXPECT_TRUE(f.VerifyZip(true, [&](int, bool& abort) { abort = ++calls == 3; }));
    EXPECT_EQ(3, calls);

    // One flipped byte in the archive is found.
    std::string bytes = ReadFile(path);
    bytes[bytes.size() - 2500000] ^= 0x01;
    ASSERT_TRUE(WriteFile(path, bytes));
    EXPECT_FALSE(f.VerifyZip(true, nullptr));
}

TEST_F(VerifyPacing, FortyByteBlockReportsOnlyTheEnd) {
    TempDir dir;
    zipkit::ZipBuilder b;
    b.comment = std::string(18, 'c');  // 22-byte end record + 18 = 40 bytes
    const std::string zip = b.Build();
    ASSERT_EQ(40u, zip.size());
    UString path = dir.File("tiny.exe");
    ASSERT_TRUE(Package(path, Config("Tiny"), zip));
    // No entries, so the package does not open; the check runs on the container alone.
    TZMArchiveFile f;
    EXPECT_FALSE(f.Open(path, true));
    EXPECT_FALSE(f.VerifyZip(true, nullptr)) << "no container, nothing verified";
    f.Container = std::make_unique<TZMContainerFile>();
    ASSERT_TRUE(f.Container->Open(path));
    std::vector<int> percents;
    EXPECT_TRUE(f.VerifyZip(false, [&](int p, bool&) { percents.push_back(p); }));
    EXPECT_EQ(std::vector<int>{100}, percents);
    EXPECT_EQ(std::vector<unsigned>{200}, sleeps);
}

}  // namespace
