#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"
#include "zip/ZMZipper.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

// The engine library is copied next to the test program by the build.
AnsiString EnginePath() {
    UString exe = platform::GetExeName();
    size_t k = exe.size();
    while (k > 0 && !platform::IsPathDelimiter(exe[k - 1])) --k;
    return platform::WideToAnsi(exe.substr(0, k)) + TZMEngineLoader::EngineFileName();
}

AnsiString A(const UString& s) { return platform::WideToAnsi(s); }

// A component set up as the extraction thread sets it up.
void Prepare(TZMZipper& z, const UString& archive, const UString& dest) {
    z.SetDLLDirectory(EnginePath());
    z.Unattended = true;
    z.FSpecArgs = {"*.*"};
    z.ExtrBaseDir = dest;
    z.ExtrOptions = ZMExtrOpt(ExtrDirNames) | ZMExtrOpt(ExtrForceDirs);
    z.SetZipFileNameW(archive);
}

class ZipperTest : public ::testing::Test {
  protected:
    UString Archive(const zipkit::ZipBuilder& b, const std::string& prefix = std::string()) {
        UString path = dir.File("pkg.bin");
        EXPECT_TRUE(WriteFile(path, b.Build(prefix)));
        return path;
    }
    UString Three() {
        zipkit::ZipBuilder b;
        b.AddFile("a.txt", std::string(200000, 'a'));
        b.AddFolder("sub/");
        b.AddFile("sub/b.txt", zipkit::RandomBytes(150000, 7), 0);
        b.AddFile("sub/deep/c.txt", "c");
        return Archive(b, std::string(1536, 'S'));  // behind other data, as in a package
    }
    UString Dest() const { return dir.File("out"); }
    std::string Out(const std::string& name) const { return ReadFile(dir.File("out/" + name)); }

    TempDir dir;
};

TEST(ZipperDefaults, PropertiesAndCaps) {
    TZMZipper z;
    EXPECT_TRUE(z.Active());
    EXPECT_FALSE(z.Unattended);
    EXPECT_EQ(0x18000u, z.NoSkipping);
    EXPECT_EQ(1u, z.PasswordReqCount());
    EXPECT_EQ(zeoAuto, z.Encoding);
    z.SetPasswordReqCount(20);
    EXPECT_EQ(15u, z.PasswordReqCount());
    z.SetPasswordReqCount(3);
    EXPECT_EQ(3u, z.PasswordReqCount());
    EXPECT_EQ(0, z.ErrCode());
    EXPECT_EQ(0, z.Count());
}

TEST(ZipperProgress, PerCentNeverDividesByZero) {
    EXPECT_EQ(0, TZMProgressDetails::PerCent(0, 0));
    EXPECT_EQ(0, TZMProgressDetails::PerCent(10, 0));
    EXPECT_EQ(0, TZMProgressDetails::PerCent(0, 10));
    EXPECT_EQ(0, TZMProgressDetails::PerCent(-5, 10));
    EXPECT_EQ(0, TZMProgressDetails::PerCent(5, -10));
    EXPECT_EQ(50, TZMProgressDetails::PerCent(50, 100));
    EXPECT_EQ(33, TZMProgressDetails::PerCent(1, 3));
    // Past 4 GiB the 32-bit product would have wrapped.
    const int64_t big = int64_t(6) << 30;
    EXPECT_EQ(50, TZMProgressDetails::PerCent(big / 2, big));
    TProgDetails d;
    d.SetCount(2);
    d.SetSize(0);
    d.NewItem("empty", 0);
    EXPECT_EQ(0, d.ItemPerCent());
    EXPECT_EQ(0, d.TotalPerCent());
    d.NewItem("gone", -1);  // a negative size turns a new item into an end of item
    EXPECT_EQ(zpoEndOfItem, d.Order());
    EXPECT_EQ(1, d.ItemNumber());
}

TEST_F(ZipperTest, InactiveRecordsTheNameAndReadsOnActivation) {
    UString archive = Three();
    TZMZipper z;
    z.SetActive(false);
    Prepare(z, archive, Dest());
    EXPECT_EQ(0, z.Count());
    EXPECT_EQ(10109, z.ErrCode());
    EXPECT_EQ("not Active", z.ErrMessage());
    EXPECT_EQ(10109, z.Extract());
    EXPECT_FALSE(platform::DirectoryExists(Dest())) << "an inactive extract wrote something";
    EXPECT_EQ(A(archive), z.ZipFileName());
    z.SetActive(true);
    EXPECT_EQ(0, z.ErrCode());
    ASSERT_EQ(4, z.Count());
    EXPECT_EQ("sub/deep/c.txt", z.EntryName(3));
}

TEST_F(ZipperTest, ExtractsBehindOtherDataAndCountsFiles) {
    TZMZipper z;
    Prepare(z, Three(), Dest());
    ASSERT_EQ(0, z.Extract()) << z.ErrMessage();
    EXPECT_EQ(3, z.ProcessedCount());
    EXPECT_EQ(std::string(200000, 'a'), Out("a.txt"));
    EXPECT_EQ(zipkit::RandomBytes(150000, 7), Out("sub/b.txt"));
    EXPECT_EQ("c", Out("sub/deep/c.txt"));
}

TEST_F(ZipperTest, OperationFailuresReportTheirCodes) {
    {
        TZMZipper z;
        z.SetDLLDirectory(EnginePath());
        EXPECT_EQ(10102, z.Extract());
        EXPECT_EQ("Error - no zip file specified!", z.ErrMessage());
    }
    {
        TZMZipper z;
        Prepare(z, Archive(zipkit::ZipBuilder()), Dest());
        EXPECT_EQ(0, z.Count());
        EXPECT_EQ(11002, z.Extract());
        EXPECT_EQ("Zip file could not be opened", z.ErrMessage());
        EXPECT_EQ(0, z.ProcessedCount());
    }
    {
        // Not an archive at all: the reader's reason is kept, naming the file.
        UString junk = dir.File("junk.bin");
        ASSERT_TRUE(WriteFile(junk, std::string(3000, 'x')));
        TZMZipper z;
        Prepare(z, junk, Dest());
        EXPECT_EQ(0, z.Count());
        int code = z.Extract();
        EXPECT_NE(0, code);
        EXPECT_NE(11002, code);
        EXPECT_NE(std::string::npos, z.ErrMessage().find("junk.bin")) << z.ErrMessage();
    }
    {
        // Cut short: the end records lie about where the directory is.
        zipkit::ZipBuilder b;
        b.AddFile("x.txt", "xx");
        std::string bytes = b.Build();
        UString cut = dir.File("cut.zip");
        ASSERT_TRUE(WriteFile(cut, bytes.substr(10)));
        TZMZipper z;
        Prepare(z, cut, Dest());
        EXPECT_EQ(0, z.Count());
        EXPECT_NE(0, z.Extract());
    }
}

TEST_F(ZipperTest, MissingDestinationWithAndWithoutForceDirs) {
    UString archive = Three();
    UString missing = dir.File("no/such/folder");
    {
        TZMZipper z;
        Prepare(z, archive, missing);
        z.ExtrOptions = ZMExtrOpt(ExtrDirNames);
        EXPECT_EQ(10504, z.Extract());
        EXPECT_NE(std::string::npos, z.ErrMessage().find(A(missing))) << z.ErrMessage();
        EXPECT_EQ(0, z.ErrMessage().find("Extract directory '")) << z.ErrMessage();
        EXPECT_FALSE(platform::DirectoryExists(missing));
    }
    {
        TZMZipper z;
        Prepare(z, archive, missing);
        ASSERT_EQ(0, z.Extract()) << z.ErrMessage();
        EXPECT_EQ("c", ReadFile(dir.File("no/such/folder/sub/deep/c.txt")));
    }
    {
        // Test mode never looks at the destination.
        TZMZipper z;
        Prepare(z, archive, dir.File("never"));
        z.ExtrOptions = ZMExtrOpt(ExtrTest);
        EXPECT_EQ(0, z.Extract()) << z.ErrMessage();
        EXPECT_EQ(3, z.ProcessedCount());
        EXPECT_FALSE(platform::DirectoryExists(dir.File("never")));
    }
}

TEST_F(ZipperTest, OverwriteAnswersDecideAndDeclinesAreNoError) {
    UString archive = Three();
    for (bool yes : {false, true}) {
        TempDir out;
        ASSERT_TRUE(platform::ForceDirectories(out.File("sub")));
        ASSERT_TRUE(WriteFile(out.File("a.txt"), "old a"));
        ASSERT_TRUE(WriteFile(out.File("sub/b.txt"), "old b"));
        TZMZipper z;
        Prepare(z, archive, out.Path());
        std::vector<std::string> asked;
        std::vector<int> skipped, indices;
        z.OnExtractOverwrite = [&](TCustomZMZipper&, const AnsiString& f, bool, bool& ow, int idx) {
            EXPECT_FALSE(ow) << "the engine proposes to keep";
            asked.push_back(f);
            indices.push_back(idx);
            ow = yes;
        };
        z.OnSkipped = [&](TCustomZMZipper&, const AnsiString&, TZMSkipTypes t, int& e) {
            skipped.push_back(t);
            EXPECT_EQ(0, e);
        };
        ASSERT_EQ(0, z.Extract()) << z.ErrMessage();
        EXPECT_EQ(2u, asked.size());
        // Their positions in the directory: a.txt, sub/, sub/b.txt, sub/deep/c.txt.
        EXPECT_EQ((std::vector<int>{0, 2}), indices);
        EXPECT_EQ(yes ? std::string(200000, 'a') : "old a", ReadFile(out.File("a.txt")));
        EXPECT_EQ(yes ? 3 : 1, z.ProcessedCount());
        EXPECT_EQ(yes ? 0u : 2u, skipped.size());
        if (!yes) {
            EXPECT_EQ(stFileExists, skipped[0]);
        }
    }
}

TEST_F(ZipperTest, CrcAnswersKeepOrDiscard) {
    zipkit::ZipBuilder b;
    zipkit::Entry bad;
    bad.name = "bad.txt";
    bad.data = "payload";
    bad.set_crc = true;
    bad.crc = 0x12345678;
    b.Add(bad);
    b.AddFile("good.txt", "fine");
    UString archive = Archive(b);
    for (bool keep : {true, false}) {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        int calls = 0;
        z.OnCRC32Error = [&](TCustomZMZipper&, const AnsiString& f, uint32_t found,
                             uint32_t expected, bool& extract) {
            ++calls;
            EXPECT_EQ("bad.txt", f);
            EXPECT_EQ(0x12345678u, expected);
            EXPECT_NE(found, expected);
            EXPECT_TRUE(extract) << "preset to keep";
            extract = keep;
        };
        z.Extract();
        EXPECT_EQ(1, calls);
        EXPECT_EQ(keep, platform::FileExists(out.File("bad.txt")));
        EXPECT_EQ("fine", ReadFile(out.File("good.txt")));
    }
}

TEST_F(ZipperTest, SkipsInNoSkippingAbortTheRun) {
    zipkit::ZipBuilder b;
    b.AddFile("a.txt", "A");
    b.AddFile("../evil.txt", "E");
    b.AddFile("z.txt", "Z");
    UString archive = Archive(b);
    {
        // Not in NoSkipping: the entry is skipped, the run goes on.
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        int value = 1;
        z.OnSkipped = [&](TCustomZMZipper&, const AnsiString&, TZMSkipTypes t, int& e) {
            EXPECT_EQ(stBadName, t);
            value = e;
        };
        z.Extract();
        EXPECT_GT(value, 0);
        EXPECT_EQ("Z", ReadFile(out.File("z.txt")));
        EXPECT_FALSE(platform::FileExists(dir.File("evil.txt")));
    }
    {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        z.NoSkipping |= ZMSkip(stBadName);
        int value = 0;
        z.OnSkipped = [&](TCustomZMZipper&, const AnsiString&, TZMSkipTypes, int& e) { value = e; };
        const int code = z.Extract();
        EXPECT_LT(value, 0) << "a skip in NoSkipping arrives negative";
        EXPECT_NE(0, code);
        EXPECT_NE(11007, code) << "an abort for a skip is no cancel";
        EXPECT_EQ("A", ReadFile(out.File("a.txt")));
        EXPECT_FALSE(platform::FileExists(out.File("z.txt")));
    }
    {
        // A skip without an error value of its own gets 10131, and so does the abort.
        TempDir out;
        ASSERT_TRUE(WriteFile(out.File("a.txt"), "old"));
        TZMZipper z;
        Prepare(z, archive, out.Path());
        z.NoSkipping |= ZMSkip(stFileExists);
        int value = 0;
        z.OnSkipped = [&](TCustomZMZipper&, const AnsiString&, TZMSkipTypes, int& e) { value = e; };
        EXPECT_EQ(10131, z.Extract());
        EXPECT_EQ(-10131, value);
        EXPECT_EQ(0, z.ErrMessage().find("Skipping not allowed")) << z.ErrMessage();
        EXPECT_FALSE(platform::FileExists(out.File("z.txt")));
    }
    {
        // The handler itself may turn a harmless skip into an abort.
        TempDir out;
        ASSERT_TRUE(WriteFile(out.File("a.txt"), "old"));
        TZMZipper z;
        Prepare(z, archive, out.Path());
        z.OnSkipped = [&](TCustomZMZipper&, const AnsiString&, TZMSkipTypes, int& e) { e = -27; };
        EXPECT_EQ(27, z.Extract());
        EXPECT_FALSE(platform::FileExists(out.File("z.txt")));
    }
}

TEST_F(ZipperTest, ProgressOrdersForSeveralFiles) {
    zipkit::ZipBuilder b;
    b.AddFile("one.bin", zipkit::RandomBytes(300000, 1), 0);
    b.AddFile("empty.txt", "");
    b.AddFile("two.txt", std::string(5000, 't'));
    TZMZipper z;
    Prepare(z, Archive(b), Dest());
    std::vector<int> orders;
    std::vector<int> numbers;
    int checks = 0, reports = 0;
    bool progress_seen = false;
    z.OnProgress = [&](TCustomZMZipper&, const TZMProgressDetails& d) {
        ++reports;
        orders.push_back(d.Order());
        switch (d.Order()) {
            case zpoTotalCount:
                EXPECT_EQ(3, d.TotalCount());
                EXPECT_EQ(0, d.ItemNumber());
                break;
            case zpoTotalSize:
                EXPECT_EQ(305000, d.TotalSize());
                EXPECT_EQ(0, d.TotalPosition());
                break;
            case zpoNewItem:
                numbers.push_back(d.ItemNumber());
                EXPECT_EQ(0, d.ItemPosition());
                EXPECT_EQ(0, d.ItemPerCent());
                if (d.ItemName() == "empty.txt") {
                    EXPECT_EQ(0, d.ItemSize());
                }
                break;
            case zpoProgress:
                progress_seen = true;
                EXPECT_GT(d.Delta(), 0);
                EXPECT_LE(d.ItemPosition(), d.ItemSize());
                EXPECT_LE(d.ItemPerCent(), 100);
                break;
            case zpoEndOfItem:
                EXPECT_EQ(d.ItemSize(), d.ItemPosition()) << d.ItemName();
                break;
            case zpoEndOfBatch:
                EXPECT_TRUE(d.ItemName().empty());
                EXPECT_EQ(305000, d.TotalPosition());
                EXPECT_EQ(100, d.TotalPerCent());
                break;
        }
    };
    z.OnCheckTerminate = [&](TCustomZMZipper&, bool& abort) {
        ++checks;
        EXPECT_FALSE(abort);
    };
    ASSERT_EQ(0, z.Extract()) << z.ErrMessage();
    ASSERT_GE(orders.size(), 9u);
    EXPECT_EQ(zpoTotalCount, orders[0]);
    EXPECT_EQ(zpoTotalSize, orders[1]);
    EXPECT_EQ(zpoNewItem, orders[2]);
    EXPECT_EQ(zpoEndOfBatch, orders.back());
    EXPECT_EQ((std::vector<int>{1, 2, 3}), numbers);
    EXPECT_TRUE(progress_seen);
    int ends = 0;
    for (int o : orders) ends += o == zpoEndOfItem;
    EXPECT_EQ(3, ends);
    EXPECT_GE(checks, reports) << "check-terminate after every report";
}

TEST_F(ZipperTest, CancelStopsWithUserCancelled) {
    UString archive = Three();
    {
        TZMZipper z;
        Prepare(z, archive, Dest());
        z.OnCheckTerminate = [&](TCustomZMZipper&, bool& abort) {
            if (!platform::FileExists(dir.File("out/a.txt"))) return;
            abort = true;  // once the first file is in place
        };
        EXPECT_EQ(11007, z.Extract());
        EXPECT_EQ("User canceled operation", z.ErrMessage());
        EXPECT_EQ(0, z.ProcessedCount());
        EXPECT_FALSE(platform::FileExists(dir.File("out/sub/deep/c.txt")));
    }
    {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        bool preset_seen = false;
        z.OnProgress = [](TCustomZMZipper& s, const TZMProgressDetails& d) {
            if (d.Order() == zpoNewItem) s.Cancel();
        };
        z.OnCheckTerminate = [&](TCustomZMZipper&, bool& abort) { preset_seen |= abort; };
        EXPECT_EQ(11007, z.Extract());
        EXPECT_TRUE(preset_seen) << "abort is preset once a stop was requested";
        EXPECT_FALSE(platform::FileExists(out.File("a.txt")));
    }
}

TEST_F(ZipperTest, NestedCallIsRefusedWithoutSpoilingTheRun) {
    TZMZipper z;
    Prepare(z, Three(), Dest());
    int nested = 0;
    AnsiString nested_message;
    z.OnProgress = [&](TCustomZMZipper& s, const TZMProgressDetails& d) {
        if (d.Order() != zpoTotalCount) return;
        nested = s.Extract();
        nested_message = s.ErrMessage();
    };
    EXPECT_EQ(0, z.Extract()) << z.ErrMessage();
    EXPECT_EQ(TCustomZMZipper::kBusyMark, nested & TCustomZMZipper::kBusyMark);
    EXPECT_EQ(0, nested_message.find("Busy + ")) << nested_message;
    EXPECT_EQ(3, z.ProcessedCount());
}

TEST_F(ZipperTest, HandlerExceptionsBecomeCodes) {
    UString archive = Three();
    {
        TZMZipper z;
        Prepare(z, archive, dir.File("e1"));
        z.OnProgress = [](TCustomZMZipper&, const TZMProgressDetails& d) {
            if (d.Order() == zpoNewItem) throw std::runtime_error("handler broke");
        };
        EXPECT_EQ(10202, z.Extract());
        EXPECT_EQ("Unknown error in List() functionhandler broke", z.ErrMessage());
    }
    {
        TZMZipper z;
        Prepare(z, archive, dir.File("e2"));
        z.OnProgress = [](TCustomZMZipper&, const TZMProgressDetails&) { throw std::bad_alloc(); };
        EXPECT_EQ(10103, z.Extract());
        EXPECT_EQ("Requested memory not available", z.ErrMessage());
    }
}

TEST_F(ZipperTest, PasswordsAndTheUnattendedRule) {
    zipkit::ZipBuilder b;
    zipkit::Entry secret;
    secret.name = "secret.txt";
    secret.data = "hidden text";
    secret.password = "pw1";
    b.Add(secret);
    b.AddFile("open.txt", "open");
    UString archive = Archive(b);
    {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        std::vector<std::pair<int, AnsiString>> messages;
        z.OnMessage = [&](TCustomZMZipper&, int code, const AnsiString& text) {
            messages.emplace_back(code, text);
        };
        z.Extract();
        ASSERT_FALSE(messages.empty());
        EXPECT_EQ(0, messages[0].first);
        EXPECT_EQ("Warning - Unattended Extract: possible not all files extracted",
                  messages[0].second);
        EXPECT_FALSE(platform::FileExists(out.File("secret.txt")));
        EXPECT_EQ("open", ReadFile(out.File("open.txt")));
    }
    {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        z.Password = "pw1";
        EXPECT_EQ(0, z.Extract()) << z.ErrMessage();
        EXPECT_EQ("hidden text", ReadFile(out.File("secret.txt")));
    }
    {
        TempDir out;
        TZMZipper z;
        Prepare(z, archive, out.Path());
        int asked = 0;
        z.OnPasswordError = [&](TCustomZMZipper&, const AnsiString& f, AnsiString& pw,
                                TZMPasswordAction& action) {
            ++asked;
            EXPECT_EQ("secret.txt", f);
            pw = "pw1";
            action = TZMPasswordAction::Try;
        };
        EXPECT_EQ(0, z.Extract()) << z.ErrMessage();
        EXPECT_EQ(1, asked);
        EXPECT_EQ("hidden text", ReadFile(out.File("secret.txt")));
    }
}

}  // namespace
