#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "common/ZM_Common.h"
#include "package/ZMArchiveFile.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/pkgopen.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

std::vector<UString> Args(std::initializer_list<UString> list) { return list; }

bool OnWindows() { return platform::PathDelimiter() == u'\\'; }

// Every folder (with a trailing '/') and file below root, with the files' contents.
void Tree(const UString& root, const std::string& prefix, std::map<std::string, std::string>& out) {
    std::vector<platform::PathInfo> items;
    ASSERT_TRUE(platform::ListDirectory(root, items)) << platform::WideToUtf8(root);
    for (const auto& i : items) {
        const UString path = root + platform::PathDelimiter() + i.name;
        const std::string rel = prefix + platform::WideToUtf8(i.name);
        if (i.is_dir) {
            out[rel + "/"] = "";
            Tree(path, rel + "/", out);
        } else {
            out[rel] = ReadFile(path);
        }
    }
}

std::map<std::string, std::string> TreeOf(const UString& root) {
    UString r = root;
    if (!r.empty() && platform::IsPathDelimiter(r.back())) r.pop_back();
    std::map<std::string, std::string> out;
    Tree(r, "", out);
    return out;
}

class ZmpackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        src = dir.File("src");
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src/sub/deep")));
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src/empty folder")));
        ASSERT_TRUE(WriteFile(dir.File("src/a.txt"), "hello\n"));
        ASSERT_TRUE(WriteFile(dir.File("src/empty.txt"), ""));
        ASSERT_TRUE(WriteFile(dir.File("src/sub/deep/random.bin"), zipkit::RandomBytes(70000, 9)));
        ASSERT_TRUE(WriteFile(dir.File("src/sub/text.txt"), std::string(100000, 'q')));
        ASSERT_TRUE(WriteFile(dir.File("src/sub/Ünïcødé файл.txt"), "привет"));
        ASSERT_TRUE(WriteFile(dir.File("src/sub/deep/tool.exe"), "MZ"));
    }
    UString Create(const std::string& name, std::vector<UString> extra = {}) {
        UString out = dir.File(name);
        std::vector<UString> args = {u"-o", out, u"--stub", u"none", u"--title", u"Round Trip"};
        args.insert(args.end(), extra.begin(), extra.end());
        if (extra.empty() || extra[0] != u"--zip") args.push_back(src);
        EXPECT_EQ(zmpack::kExitOk, zmpack::CmdCreate(args));
        return out;
    }

    TempDir dir;
    UString src;
};

TEST_F(ZmpackTest, RoundTripGivesIdenticalFiles) {
    UString pkg = Create("pkg.exe");
    UString out = dir.File("out");
    // Each command reads the archive's directory once, when it opens the package as the
    // installer does; list walks it once more to hold the entries; verify and extract hand the
    // opened component to the engine, which reads the directory once for its two passes.
    const std::vector<std::tuple<const char*, int (*)(const std::vector<UString>&),
                                 std::vector<UString>, uint64_t>>
        commands = {
            {"info", zmpack::CmdInfo, Args({u"--json", pkg}), 2},  // and the methods' listing
            {"list", zmpack::CmdList, Args({pkg}), 2},
            {"verify", zmpack::CmdVerify, Args({pkg}), 1},
            {"extract", zmpack::CmdExtract, Args({u"-d", out, pkg}), 1},
        };
    for (const auto& [name, command, args, walks] : commands) {
        const uint64_t before = TCustomZMZipper::ProcessDirectoryWalks();
        std::string text, err;
        zmpack::CaptureOutput(&text, &err);
        const int rc = command(args);
        zmpack::CaptureOutput(nullptr, nullptr);
        EXPECT_EQ(zmpack::kExitOk, rc) << name << ": " << err;
        EXPECT_EQ(walks, TCustomZMZipper::ProcessDirectoryWalks() - before) << name;
        if (std::string(name) == "verify") {
            EXPECT_NE(std::string::npos, text.find("entries: 6 of 6 files tested sound")) << text;
        }
    }
    EXPECT_EQ(TreeOf(src), TreeOf(out));

    // The package object sees what the tool wrote.
    TZMArchiveFile f;
    ASSERT_TRUE(f.Open(pkg, true));
    f.FindSingleExe();
    EXPECT_EQ(SystemPathName(u"sub/deep/tool.exe"), f.ExeName);

    // Without -d the files go to the default destination: the package's folder plus title.
    ASSERT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({pkg})));
    EXPECT_EQ(TreeOf(src), TreeOf(dir.File("Round Trip")));
}

// On a Western system (natively: as one would be) a title and names the code page cannot hold
// still name the default folder and the printed entries exactly.
TEST_F(ZmpackTest, NamesOutsideTheCodePageStayExact) {
    testutil::CodePageScope western(1252);
    UString pkg = dir.File("unicode.exe");
    ASSERT_EQ(
        zmpack::kExitOk,
        zmpack::CmdCreate(Args({u"-o", pkg, u"--stub", u"none", u"--title", u"Zażółć 😀", src})));
    std::string out, err;
    zmpack::CaptureOutput(&out, &err);
    const int rc = zmpack::CmdExtract(Args({pkg}));
    zmpack::CaptureOutput(nullptr, nullptr);
    ASSERT_EQ(zmpack::kExitOk, rc) << err;
    EXPECT_EQ(TreeOf(src), TreeOf(dir.File(u8"Zażółć 😀")));
    EXPECT_NE(std::string::npos, out.find(u8"Ünïcødé файл.txt")) << out;
    EXPECT_EQ(std::string::npos, out.find('?')) << out;
}

TEST_F(ZmpackTest, OverwriteModesAndPasswords) {
    UString pkg = Create("pkg.exe");
    UString out = dir.File("out");
    ASSERT_TRUE(platform::ForceDirectories(out));
    ASSERT_TRUE(WriteFile(dir.File("out/a.txt"), "mine"));
    EXPECT_EQ(zmpack::kExitOk,
              zmpack::CmdExtract(Args({u"-d", out, u"--overwrite", u"never", pkg})));
    EXPECT_EQ("mine", ReadFile(dir.File("out/a.txt")));
    EXPECT_EQ("привет", ReadFile(dir.File("out/sub/Ünïcødé файл.txt")));
    EXPECT_EQ(zmpack::kExitOk,
              zmpack::CmdExtract(Args({u"-d", out, u"--overwrite", u"always", pkg})));
    EXPECT_EQ("hello\n", ReadFile(dir.File("out/a.txt")));

    // An encrypted payload with the password in the package's configuration.
    zipkit::ZipBuilder b;
    zipkit::Entry e;
    e.name = "secret.txt";
    e.data = "classified";
    e.password = "open sesame";
    b.Add(e);
    ASSERT_TRUE(WriteFile(dir.File("enc.zip"), b.Build()));
    UString locked = Create("locked.exe", {u"--zip", dir.File("enc.zip"), u"--config-key",
                                           u"archive_password=open sesame"});
    EXPECT_EQ(zmpack::kExitOk, zmpack::CmdVerify(Args({locked})));
    EXPECT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({u"-d", dir.File("o1"), locked})));
    EXPECT_EQ("classified", ReadFile(dir.File("o1/secret.txt")));
    EXPECT_EQ(zmpack::kExitPackage, zmpack::CmdVerify(Args({u"--password", u"wrong", locked})));
    EXPECT_EQ(zmpack::kExitPackage,
              zmpack::CmdExtract(Args({u"-d", dir.File("o2"), u"--password", u"wrong", locked})));
    EXPECT_FALSE(platform::FileExists(dir.File("o2/secret.txt")));
}

TEST_F(ZmpackTest, DamagedPackagesFailClearly) {
    UString pkg = Create("pkg.exe");
    const std::string good = ReadFile(pkg);
    ASSERT_GT(good.size(), 80000u);
    // One flipped byte inside the random file's data: the block CRC and the entry CRC differ.
    {
        TZMArchiveFile f;
        ASSERT_TRUE(f.Open(pkg, true));
        const auto& blk = *f.Container->Blocks[f.Container->IndexOfBlock("zip")];
        int64_t data_pos = -1;
        for (size_t i = 0; i < f.Zip->Entries().size(); ++i)
            if (f.Zip->EntryName(i) == "sub/deep/random.bin")
                data_pos = blk.DataOffset + static_cast<int64_t>(f.Zip->Entries()[i].local_offset) +
                           30 + 19 + 1000;
        ASSERT_GT(data_pos, 0);
        std::string bad = good;
        bad[static_cast<size_t>(data_pos)] ^= 0x20;
        UString flipped = dir.File("flipped.exe");
        ASSERT_TRUE(WriteFile(flipped, bad));
        EXPECT_EQ(zmpack::kExitPackage, zmpack::CmdVerify(Args({flipped})));
        EXPECT_EQ(
            zmpack::kExitPackage,
            zmpack::CmdExtract(Args({u"-d", dir.File("f"), u"--overwrite", u"never", flipped})));
        EXPECT_FALSE(platform::FileExists(dir.File("f/sub/deep/random.bin")))
            << "damaged data is not kept unasked";
        EXPECT_EQ("hello\n", ReadFile(dir.File("f/a.txt"))) << "the sound files are extracted";
    }
    // Every command judges by the installer's own open and gives its reason: cut inside the
    // container head, inside the archive, in its directory, one byte short; a second end record
    // (in the comment of the first); a byte after the end record, zero or not (no signature's
    // padding: this package is no program).
    std::string two_ends = good;
    two_ends[two_ends.size() - 2] = 22;
    two_ends += good.substr(good.size() - 22);
    const std::pair<std::string, std::string> damaged[] = {
        {"cut to 5", good.substr(0, 5)},
        {"cut to 600", good.substr(0, 600)},
        {"cut in half", good.substr(0, good.size() / 2)},
        {"cut in the directory", good.substr(0, good.size() - 60)},
        {"one byte short", good.substr(0, good.size() - 1)},
        {"two end records", two_ends},
        {"a zero byte after", good + std::string(1, '\0')},
        {"a byte after", good + "x"},
    };
    using Command = int (*)(const std::vector<UString>&);
    const UString bad = dir.File("bad.exe");
    for (const auto& [what, bytes] : damaged) {
        ASSERT_TRUE(WriteFile(bad, bytes));
        TZMArchiveFile installer;
        ASSERT_FALSE(installer.Open(bad, false)) << what;
        const std::string why = zmpack::OpenFailureText(installer.OpenError());
        ASSERT_FALSE(why.empty()) << what;
        for (const auto& [name, command, args] :
             {std::make_tuple("info", Command(zmpack::CmdInfo), Args({bad})),
              std::make_tuple("list", Command(zmpack::CmdList), Args({bad})),
              std::make_tuple("verify", Command(zmpack::CmdVerify), Args({bad})),
              std::make_tuple("extract", Command(zmpack::CmdExtract),
                              Args({u"-d", dir.File("c"), bad}))}) {
            std::string out, err;
            zmpack::CaptureOutput(&out, &err);
            const int rc = command(args);
            zmpack::CaptureOutput(nullptr, nullptr);
            EXPECT_EQ(zmpack::kExitPackage, rc) << what << ", " << name;
            EXPECT_NE(std::string::npos, (out + err).find(why))
                << what << ", " << name << ": " << out << err;
        }
    }
    EXPECT_FALSE(platform::FileExists(dir.File("c")));
    EXPECT_EQ(zmpack::kExitPackage, zmpack::CmdList(Args({dir.File("missing.exe")})));
}

// Every method, and every deflate level (libdeflate's and Zopfli's where this build has them,
// zlib's elsewhere), gives a package that verifies and that the engine extracts byte for byte,
// the same bytes on every run; the release level is never larger than level 12, and --method
// store is level 0.
TEST_F(ZmpackTest, EveryMethodAndLevelExtractsWholeAndRepeatsItsBytes) {
    std::map<std::string, size_t> sizes;
    for (const char* level : {"0", "1", "6", "9", "12", "max", "solid", "lzma", "store"}) {
        const UString l = platform::Utf8ToWide(level);
        const bool deflate =
            std::isdigit(static_cast<unsigned char>(level[0])) || std::string(level) == "max";
        const std::vector<UString> how =
            deflate ? std::vector<UString>{u"--method", u"deflate", u"--level", l}
                    : std::vector<UString>{u"--method", l};
        const UString a = Create(std::string("a") + level + ".exe", how);
        // A --level alone is deflate at that level, as it was before solid packages came.
        const UString b = Create(std::string("b") + level + ".exe",
                                 deflate ? std::vector<UString>{u"--level", l} : how);
        const std::string bytes = ReadFile(a);
        EXPECT_TRUE(bytes == ReadFile(b)) << "level " << level << " is not repeatable";
        sizes[level] = bytes.size();
        EXPECT_EQ(zmpack::kExitOk, zmpack::CmdVerify(Args({a}))) << level;
        const UString out = dir.File(std::string("out-") + level);
        ASSERT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({u"-d", out, a}))) << level;
        EXPECT_EQ(TreeOf(src), TreeOf(out)) << "level " << level;
    }
    EXPECT_LT(sizes["1"], sizes["0"]);
    EXPECT_LE(sizes["max"], sizes["12"]);
    EXPECT_EQ(sizes["store"], sizes["0"]);
    for (const char16_t* bad : {u"13", u"-1", u"fast", u""}) {
        EXPECT_EQ(zmpack::kExitUsage,
                  zmpack::CmdCreate(Args({u"-o", dir.File("bad.exe"), u"--stub", u"none",
                                          u"--method", u"deflate", u"--level", bad, src})))
            << platform::WideToUtf8(bad);
    }
    // --level belongs to deflate; --method takes one of four names.
    for (const std::vector<UString>& bad :
         {std::vector<UString>{u"--method", u"solid", u"--level", u"9"}, {u"--method", u"zstd"}}) {
        std::vector<UString> args = {u"-o", dir.File("bad.exe"), u"--stub", u"none"};
        args.insert(args.end(), bad.begin(), bad.end());
        args.push_back(src);
        EXPECT_EQ(zmpack::kExitUsage, zmpack::CmdCreate(args)) << platform::WideToUtf8(bad.back());
    }
}

TEST_F(ZmpackTest, UsageErrors) {
    UString pkg = Create("pkg.exe");
    EXPECT_EQ(zmpack::kExitUsage, zmpack::CmdList(Args({})));
    EXPECT_EQ(zmpack::kExitUsage, zmpack::CmdVerify(Args({pkg, pkg})));
    EXPECT_EQ(zmpack::kExitUsage, zmpack::CmdExtract(Args({u"--overwrite", u"maybe", pkg})));
    EXPECT_EQ(zmpack::kExitUsage, zmpack::CmdExtract(Args({u"--bogus", pkg})));
    EXPECT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({u"--help"})));
}

// Archives made by other tools, taken as the payload unchanged (Linux: the tools are Linux
// programs).
TEST_F(ZmpackTest, PayloadsFromOtherZipWriters) {
    if (OnWindows()) GTEST_SKIP() << "the peer tools run on Linux only";
    const std::string s = dir.Utf8();
    struct Tool {
        const char* probe;
        std::string command;
    } tools[] = {
        {"zip", "cd '" + s + "src' && zip -q -r -X '" + s + "peer.zip' ."},
        {"python3", "cd '" + s +
                        "src' && python3 -c \"import zipfile,os\n"
                        "z=zipfile.ZipFile('" +
                        s +
                        "peer.zip','w',zipfile.ZIP_DEFLATED)\n"
                        "for r,d,f in os.walk('.'):\n"
                        "  [z.write(os.path.join(r,x),os.path.join(r,x)[2:]) for x in d+f]\n"
                        "z.close()\""},
    };
    for (const Tool& t : tools) {
        if (std::system((std::string("command -v ") + t.probe + " >/dev/null 2>&1").c_str()) != 0)
            continue;
        platform::RemoveFile(dir.File("peer.zip"));
        ASSERT_EQ(0, std::system(("LC_ALL=C.UTF-8 " + t.command).c_str())) << t.probe;
        UString pkg = Create("peer.exe", {u"--zip", dir.File("peer.zip")});
        EXPECT_EQ(zmpack::kExitOk, zmpack::CmdVerify(Args({pkg}))) << t.probe;
        UString out = dir.File(std::string("out-") + t.probe);
        ASSERT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({u"-d", out, pkg}))) << t.probe;
        EXPECT_EQ(TreeOf(src), TreeOf(out)) << t.probe;
    }
}

// Over 4 GiB, so sizes and offsets need Zip64. Minutes of work and 4 GiB of disk: only with
// ZM_LARGE_TESTS=1 in the environment.
TEST_F(ZmpackTest, FileOverFourGiBRoundTrips) {
    UString large;
    if (!platform::GetEnvironmentText("ZM_LARGE_TESTS", large) || large != u"1")
        GTEST_SKIP() << "set ZM_LARGE_TESTS=1 to run";
    const int64_t size = (int64_t(4) << 30) + 4097;
    UString big_src = dir.File("big");
    ASSERT_TRUE(platform::ForceDirectories(big_src));
    {
        platform::FileStream f;
        ASSERT_TRUE(f.Open(dir.File("big/sparse.bin"), platform::FileStream::Mode::CreateAlways));
        ASSERT_TRUE(f.Seek(size - 5));
        ASSERT_TRUE(f.Write("tail!", 5));  // zeros up to here, without writing them
        ASSERT_TRUE(f.Close());
    }
    UString pkg = dir.File("big.exe");
    ASSERT_EQ(zmpack::kExitOk, zmpack::CmdCreate(Args({u"-o", pkg, u"--stub", u"none", u"--method",
                                                       u"deflate", u"--level", u"1", big_src})));
    platform::RemoveFile(dir.File("big/sparse.bin"));
    EXPECT_EQ(zmpack::kExitOk, zmpack::CmdList(Args({pkg})));
    EXPECT_EQ(zmpack::kExitOk, zmpack::CmdVerify(Args({pkg})));
    UString out = dir.File("big-out");
    ASSERT_EQ(zmpack::kExitOk, zmpack::CmdExtract(Args({u"-d", out, pkg})));
    EXPECT_EQ(size, platform::FileSize(dir.File("big-out/sparse.bin")));
    platform::FileStream f;
    ASSERT_TRUE(f.Open(dir.File("big-out/sparse.bin"), platform::FileStream::Mode::ReadShared));
    char tail[5] = {};
    ASSERT_TRUE(f.Seek(size - 5));
    ASSERT_TRUE(f.ReadExact(tail, 5));
    EXPECT_EQ("tail!", std::string(tail, 5));
}

}  // namespace
