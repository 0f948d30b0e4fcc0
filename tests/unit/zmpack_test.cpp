#include <gtest/gtest.h>

#include <cstdlib>

#include "package/ZMArchiveConfig.h"
#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipwriter_scan.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/json.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgconfig.h"
#include "tools/zmpack/zipwriter.h"

using namespace zmpack;

namespace {

const char kPack[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><languages version=\"3\">"
    "<lang langid=\"en\" langname=\"English\" engname=\"English\"><s id=\"5\">Error</s></lang>"
    "</languages>";

class ZmpackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The tests run the commands in-process; give this program the pack zmpack embeds.
        platform::OverrideRcData("LANGPACK", reinterpret_cast<const unsigned char*>(kPack),
                                 sizeof(kPack) - 1);
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"", true);
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src/sub/deeper")));
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src/empty")));
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/readme.txt"), std::string(5000, 'r')));
        ASSERT_TRUE(testutil::WriteFile(dir.File(u8"src/sub/файл.txt"), "unicode"));
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/sub/deeper/zero.bin"), ""));
        ASSERT_TRUE(testutil::WriteFile(dir.File("stub.exe"), "MZ" + std::string(998, 's')));
    }
    void TearDown() override {
        platform::OverrideRcData("LANGPACK", nullptr, 0);
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"", true);
    }

    int Create(std::vector<std::string> args) {
        std::vector<UString> w;
        for (const auto& a : args) w.push_back(platform::Utf8ToWide(a));
        return CmdCreate(w);
    }
    int Info(std::vector<std::string> args, std::string* out = nullptr) {
        std::vector<UString> w;
        for (const auto& a : args) w.push_back(platform::Utf8ToWide(a));
        testing::internal::CaptureStdout();
        int rc = CmdInfo(w);
        std::string text = testing::internal::GetCapturedStdout();
        if (out != nullptr) *out = text;
        return rc;
    }
    std::string P(const std::string& name) { return platform::WideToUtf8(dir.File(name)); }
    std::vector<std::string> Names() {
        std::vector<platform::PathInfo> items;
        platform::ListDirectory(dir.Path(), items);
        std::vector<std::string> n;
        for (const auto& i : items) n.push_back(platform::WideToUtf8(i.name));
        std::sort(n.begin(), n.end());
        return n;
    }

    testutil::TempDir dir;
};

}  // namespace

TEST_F(ZmpackTest, UsageErrorsExitWith2AndWriteNothing) {
    const std::string out = P("out.exe"), src = P("src"), stub = P("stub.exe");
    const std::vector<std::vector<std::string>> bad = {
        {src},                                                                  // no -o
        {"-o", out, "--stub", stub},                                            // nothing to pack
        {"-o", out, "--stub", stub, "--zip", out, src},                         // both
        {"-o", out, "--stub", stub, "--level", "13", src},                      // out of range
        {"-o", out, "--stub", stub, "--level", "5x", src},                      // not a number
        {"-o", out, "--stub", stub, "--method", "solid", "--level", "9", src},  // not deflate
        {"-o", out, "--stub", stub, "--id", "99999999999", src},                // beyond 32 bits
        {"-o", out, "--stub", stub, "--welcome", "a", "--welcome-file", stub, src},
        {"-o", out, "--stub", stub, "--lang-pack", stub, "--no-lang-pack", src},
        {"-o", out, "--stub", stub, "--config-key", "novalue", src},
        {"-o", out, "--stub", stub, "--config-key", "bad name=1", src},  // not an XML name
        {"-o", out, "--stub", stub, "--config-format", "yaml", src},
        {"-o", out, "--stub", stub, "--frobnicate", src},
        {"-o", out, "-o", out, "--stub", stub, src},
        {"-o"},
    };
    for (const auto& args : bad) {
        std::string joined;
        for (const auto& a : args) joined += a + " ";
        EXPECT_EQ(Create(args), kExitUsage) << joined;
    }
    EXPECT_FALSE(platform::FileExists(dir.File("out.exe")));
    EXPECT_EQ(Info({}), kExitUsage);
    EXPECT_EQ(Info({"--json", "a", "b"}), kExitUsage);
    EXPECT_EQ(Create({"--help"}), kExitOk);
}

TEST_F(ZmpackTest, PackageOpensWithTheExpectedBlocksFlagsAndSettings) {
    ASSERT_TRUE(testutil::WriteFile(dir.File("welcome.txt"),
                                    u8"\xEF\xBB\xBFПривет <b> & \"x\"\r\nline two"));
    ASSERT_EQ(Create({"-o", P("pkg.exe"), "--stub", P("stub.exe"), "--title", u8"Демо & Co",
                      "--welcome-file", P("welcome.txt"), "--id", "-77", "--language", "en",
                      "--config-key", "archive_id=12", "--config-key", "extra=  spaced  ",
                      "--method", "deflate", P("src")}),
              kExitOk);
    UString pkg = dir.File("pkg.exe");
    TZMContainerFile c;
    ASSERT_TRUE(c.Open(pkg));
    EXPECT_EQ(c.Version, 1);
    ASSERT_EQ(c.Blocks.size(), 3u);
    const TZMArchiveBlock& cfg = *c.Blocks[0];
    const TZMArchiveBlock& lpk = *c.Blocks[1];
    const TZMArchiveBlock& zip = *c.Blocks[2];
    EXPECT_EQ(cfg.BlockName, "config");
    EXPECT_EQ(cfg.Offset, 1024 + 8) << "the 1000-byte stub is padded to 1024";
    EXPECT_TRUE(cfg.CheckCrc && cfg.Scrambled);
    EXPECT_EQ(cfg.Kind, 0);
    EXPECT_NE(cfg.XorKey, 0);
    EXPECT_EQ(lpk.BlockName, "lpk");
    EXPECT_TRUE(!lpk.CheckCrc && lpk.Scrambled);
    EXPECT_EQ(lpk.Kind, 1);
    EXPECT_NE(lpk.XorKey, 0);
    EXPECT_EQ(c.ReadBlock("lpk"), std::string(kPack));
    EXPECT_EQ(zip.BlockName, "zip");
    EXPECT_TRUE(zip.CheckCrc && !zip.Scrambled);
    EXPECT_EQ(zip.Kind, 15);
    EXPECT_EQ(zip.DataOffset + zip.DataSize, platform::FileSize(pkg)) << "zip runs to the end";
    EXPECT_TRUE(c.VerifyBlock("config", true, nullptr));
    EXPECT_TRUE(c.VerifyBlock("zip", true, nullptr));
    std::string bytes = testutil::ReadFile(pkg);
    EXPECT_EQ(bytes.substr(0, 1000), testutil::ReadFile(dir.File("stub.exe")));

    TZMArchiveConfig config;
    ASSERT_TRUE(config.LoadFromXml(c.ReadBlock("config")));
    const TZMArchiveSettings& s = *config.Settings;
    EXPECT_EQ(s.ArchiveId, 12) << "a later --config-key replaces the option's value";
    EXPECT_EQ(s.Title, platform::Utf8ToWide(u8"Демо & Co"));
    EXPECT_EQ(s.WelcomeText, platform::Utf8ToWide(u8"Привет <b> & \"x\"\r\nline two"));
    EXPECT_EQ(s.LanguageId, "en");
    EXPECT_EQ(config.GetValue("extra"), UString(u"  spaced  "));
    EXPECT_EQ(config.Values->Items().front().Key, "archive_id") << "store order kept";

    ziptest::ScannedArchive a = ziptest::ScanZip(bytes);
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.start, static_cast<uint64_t>(zip.DataOffset));
    std::vector<std::string> names;
    for (const auto& e : a.entries) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"empty/", "readme.txt", "sub/", "sub/deeper/",
                                               "sub/deeper/zero.bin", u8"sub/файл.txt"}));

    std::string json;
    EXPECT_EQ(Info({"--json", P("pkg.exe")}, &json), kExitOk);
    EXPECT_NE(json.find("\"opens\": true"), std::string::npos) << json;
    EXPECT_NE(json.find("\"offset\": 1024"), std::string::npos) << json;
    EXPECT_NE(json.find("\"entries\": 6"), std::string::npos) << json;
    EXPECT_NE(json.find(u8"\"title\": \"Демо & Co\""), std::string::npos) << json;
    EXPECT_NE(json.find("\"pack_version\": 3"), std::string::npos) << json;
}

TEST_F(ZmpackTest, TextConfigStubNoneAndTitleFromTheFileName) {
    ASSERT_EQ(Create({"-o", P("plain_v2.bin"), "--stub", "none", "--config-format", "text",
                      "--no-lang-pack", "--config-key", "k=a=b", P("src/readme.txt")}),
              kExitOk);
    TZMContainerFile c;
    ASSERT_TRUE(c.Open(dir.File("plain_v2.bin")));
    EXPECT_EQ(c.Blocks[0]->Offset, 8) << "no stub: the container at offset 0";
    EXPECT_EQ(c.IndexOfBlock("lpk"), -1);
    TZMArchiveConfig config;
    const std::string text = c.ReadBlock("config");
    EXPECT_FALSE(config.LoadFromXml(text));
    ASSERT_TRUE(config.LoadFromText(text));
    EXPECT_EQ(config.GetValue("k"), UString(u"a=b"));
    EXPECT_EQ(config.Settings->ArchiveId, 0) << "archive_id is always written";
    std::string out;
    EXPECT_EQ(Info({P("plain_v2.bin")}, &out), kExitOk);
    EXPECT_NE(out.find("Title          plain_v2\n"), std::string::npos) << out;
    // Text lines cannot carry a line break.
    EXPECT_EQ(Create({"-o", P("x.bin"), "--stub", "none", "--config-format", "text", "--title",
                      "a\r\nb", P("src")}),
              kExitUsage);
}

TEST_F(ZmpackTest, ExistingZipIsTakenUnchangedAndNonZipsAreRefused) {
    // An archive from our own writer, then (natively) from Info-ZIP.
    std::vector<UString> archives;
    {
        platform::FileStream f;
        ASSERT_TRUE(f.Open(dir.File("own.zip"), platform::FileStream::Mode::CreateAlways));
        ZipSource s;
        s.name = "one.txt";
        s.path = dir.File("src/readme.txt");
        s.size = 5000;
        TZipWriter w{ZipWriterOptions()};
        ASSERT_TRUE(w.Write(f, {s}));
        archives.push_back(dir.File("own.zip"));
    }
    if (platform::PathDelimiter() == u'/' &&
        std::system(("cd '" + P("src") + "' && zip -qr -6 '" + P("infozip.zip") + "' .").c_str()) ==
            0)
        archives.push_back(dir.File("infozip.zip"));
    for (const UString& zip : archives) {
        const std::string z = platform::WideToUtf8(zip);
        ASSERT_EQ(Create({"-o", P("fromzip.exe"), "--stub", P("stub.exe"), "--zip", z}), kExitOk)
            << z;
        TZMContainerFile c;
        ASSERT_TRUE(c.Open(dir.File("fromzip.exe")));
        EXPECT_EQ(c.ReadBlock("zip"), testutil::ReadFile(zip)) << z;
        EXPECT_TRUE(c.VerifyBlock("zip", true, nullptr));
        EXPECT_EQ(Info({P("fromzip.exe")}), kExitOk) << z;
    }

    const std::string before = testutil::ReadFile(dir.File("fromzip.exe"));
    std::string prefixed = "junk" + testutil::ReadFile(dir.File("own.zip"));
    ASSERT_TRUE(testutil::WriteFile(dir.File("prefixed.zip"), prefixed));
    ASSERT_TRUE(testutil::WriteFile(dir.File("empty.zip"),
                                    std::string("PK\x05\x06", 4) + std::string(18, '\0')));
    // A second end record, in the comment of the first: two readers could see two archives.
    std::string two_ends = testutil::ReadFile(dir.File("own.zip"));
    two_ends[two_ends.size() - 2] = 22;
    two_ends += two_ends.substr(two_ends.size() - 22, 20) + std::string(2, '\0');
    ASSERT_TRUE(testutil::WriteFile(dir.File("two_ends.zip"), two_ends));
    for (const char* bad :
         {"src/readme.txt", "prefixed.zip", "empty.zip", "missing.zip", "two_ends.zip"}) {
        EXPECT_EQ(Create({"-o", P("fromzip.exe"), "--stub", P("stub.exe"), "--zip", P(bad)}),
                  kExitPackage)
            << bad;
    }
    EXPECT_EQ(testutil::ReadFile(dir.File("fromzip.exe")), before)
        << "a failed run leaves the old package alone";
}

TEST_F(ZmpackTest, FailuresLeaveNoPartialFilesAndDamagedPackagesAreReported) {
    ASSERT_TRUE(testutil::WriteFile(dir.File("keep.exe"), "old"));
    const auto names_before = Names();
    EXPECT_EQ(Create({"-o", P("keep.exe"), "--stub", P("stub.exe"), P("no-such-folder")}),
              kExitPackage);
    EXPECT_EQ(Create({"-o", P("keep.exe"), P("src")}), kExitPackage)
        << "no setup.exe next to the program and no --stub";
    EXPECT_EQ(Create({"-o", P("keep.exe"), "--stub", P("no-stub.exe"), P("src")}), kExitPackage);
    EXPECT_EQ(Names(), names_before) << "no temporary file stays behind";
    EXPECT_EQ(testutil::ReadFile(dir.File("keep.exe")), "old");

    ASSERT_EQ(Create({"-o", P("good.exe"), "--stub", P("stub.exe"), P("src")}), kExitOk);
    EXPECT_EQ(Create({"-o", P("twice.exe"), "--stub", P("good.exe"), P("src")}), kExitPackage)
        << "a stub that already carries a package is refused";
    std::string good = testutil::ReadFile(dir.File("good.exe"));
    ASSERT_TRUE(testutil::WriteFile(dir.File("cut.exe"), good.substr(0, good.size() - 10)));
    EXPECT_EQ(Info({P("cut.exe")}), kExitPackage);
    ASSERT_TRUE(testutil::WriteFile(dir.File("nopkg.exe"), std::string(4096, 'x')));
    std::string out;
    EXPECT_EQ(Info({"--json", P("nopkg.exe")}, &out), kExitPackage);
    EXPECT_NE(out.find("\"container\": null"), std::string::npos) << out;
    EXPECT_NE(out.find("\"title\": \"nopkg\""), std::string::npos) << "still says what it can";
}

TEST_F(ZmpackTest, SameInputsGiveTheSameBytesWithSourceDateEpoch) {
    ASSERT_TRUE(platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"1700000000"));
    ASSERT_EQ(Create({"-o", P("a.exe"), "--stub", P("stub.exe"), "--title", "T", P("src")}),
              kExitOk);
    ASSERT_TRUE(platform::SetFileModTime(dir.File("src/readme.txt"), 1000000000));
    ASSERT_EQ(Create({"-o", P("b.exe"), "--stub", P("stub.exe"), "--title", "T", P("src")}),
              kExitOk);
    std::string a = testutil::ReadFile(dir.File("a.exe"));
    EXPECT_FALSE(a.empty());
    EXPECT_TRUE(a == testutil::ReadFile(dir.File("b.exe")));
    ASSERT_TRUE(platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"soon"));
    EXPECT_EQ(Create({"-o", P("c.exe"), "--stub", P("stub.exe"), P("src")}), kExitUsage);
}

TEST(ZmpackParts, OptionsConfigTextAndJsonEscaping) {
    TOptions o;
    ASSERT_TRUE(
        o.Parse({{"output", 'o', true, false}, {"key", 0, true, true}, {"flag", 0, false, false}},
                {u"-oOUT", u"--key=a=b", u"--key", u"-c", u"--flag", u"--", u"--flag"}));
    EXPECT_EQ(o.Value("output"), UString(u"OUT"));
    EXPECT_EQ(o.Values("key"), (std::vector<UString>{u"a=b", u"-c"}));
    EXPECT_EQ(o.Positional(), (std::vector<UString>{u"--flag"}));
    EXPECT_FALSE(o.Parse({{"flag", 0, false, false}}, {u"--flag=1"}));
    EXPECT_FALSE(o.Parse({{"key", 0, true, false}}, {u"--key"}));
    long long v = 0;
    EXPECT_TRUE(ParseInteger(u"-2147483648", INT32_MIN, INT32_MAX, v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_FALSE(ParseInteger(u"", 0, 9, v));
    EXPECT_FALSE(ParseInteger(u"99999999999999999999", 0, INT64_MAX, v));

    // Whatever the values hold, the installer's reader gets them back unchanged.
    TPackageConfigText cfg;
    const UString tricky[] = {u"<a & b>", u"line\r\nbreak\rcr", u"   ", u"\U0001F600 \u0416",
                              u"]]> &amp;"};
    for (size_t i = 0; i < 5; ++i) cfg.Set("k" + std::to_string(i), tricky[i]);
    cfg.Set("K0", u"replaced");
    std::string xml, error;
    ASSERT_TRUE(cfg.ToXml(xml, error)) << error;
    TZMArchiveConfig read;
    ASSERT_TRUE(read.LoadFromXml(xml)) << xml;
    EXPECT_EQ(read.Values->Count(), 5u);
    EXPECT_EQ(read.GetValue("k0"), UString(u"replaced"));
    for (size_t i = 1; i < 5; ++i)
        EXPECT_EQ(read.GetValue("k" + std::to_string(i)), tricky[i]) << i;
    TPackageConfigText bad;
    bad.Set("k", UString(u"bell\u0007"));
    EXPECT_FALSE(bad.ToXml(xml, error));
    bad = TPackageConfigText();
    bad.Set("1st", u"x");
    EXPECT_FALSE(bad.ToXml(xml, error));

    EXPECT_EQ(TJsonWriter::Escape("a\"b\\c\n\x01"), "\"a\\\"b\\\\c\\n\\u0001\"");
    TJsonWriter j;
    j.BeginObject();
    j.Key("list");
    j.BeginArray();
    j.EndArray();
    j.Key("n");
    j.Null();
    j.EndObject();
    EXPECT_EQ(j.Text(), "{\n  \"list\": [],\n  \"n\": null\n}\n");
}
