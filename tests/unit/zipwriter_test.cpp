#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "engine/crc32.h"
#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipwriter_scan.h"
#include "tools/zmpack/zipcrc.h"
#include "tools/zmpack/ziprecords.h"
#include "tools/zmpack/zipsources.h"
#include "tools/zmpack/zipwriter.h"

using namespace zmpack;

namespace {

std::string Text(size_t size, unsigned seed) {
    static const char* words[] = {"alpha ",     "beta ",    "gamma ",  "delta\n",
                                  "installer ", "package ", "folder ", "archive "};
    std::string s;
    unsigned x = seed;
    while (s.size() < size) {
        x = x * 1103515245u + 12345u;
        s += words[(x >> 16) % 8];
    }
    s.resize(size);
    return s;
}

std::string Noise(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (auto& c : s) {
        x ^= x << 13, x ^= x >> 7, x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

// name -> content; folders end in '/' and map to "".
using Tree = std::map<std::string, std::string>;

Tree SampleTree() {
    return Tree{
        {"readme.txt", Text(20000, 1)},
        {"empty.dat", ""},
        {"docs/", ""},
        {"docs/guide.txt", Text(3000, 2)},
        {u8"docs/Русский/", ""},
        {u8"docs/Русский/файл.txt", Text(500, 3)},
        {u8"docs/日本/", ""},
        {u8"docs/日本/データ.bin", Noise(700, 4)},
        {"emptydir/", ""},
        {"big/", ""},
        {"big/compressible.txt", Text(3 << 20, 5)},
        {"big/noise.bin", Noise(5 << 20, 6)},
        {"small_noise.bin", Noise(65536, 7)},
        {"ro.txt", "read only\n"},
    };
}

void Materialize(const testutil::TempDir& dir, const std::string& root, const Tree& tree) {
    ASSERT_TRUE(platform::ForceDirectories(dir.File(root)));
    for (const auto& [name, content] : tree) {
        if (name.back() == '/') {
            ASSERT_TRUE(platform::ForceDirectories(dir.File(root + "/" + name)));
        } else {
            ASSERT_TRUE(testutil::WriteFile(dir.File(root + "/" + name), content)) << name;
            ASSERT_TRUE(platform::SetFileModTime(dir.File(root + "/" + name), 1600000000));
        }
    }
    ASSERT_TRUE(platform::SetFileReadOnly(dir.File(root + "/ro.txt")));
}

void ReadTree(const UString& folder, const std::string& prefix, Tree& out) {
    std::vector<platform::PathInfo> items;
    ASSERT_TRUE(platform::ListDirectory(folder, items)) << platform::WideToUtf8(folder);
    for (const auto& item : items) {
        std::string name = prefix + platform::WideToUtf8(item.name);
        UString path = folder + platform::PathDelimiter() + item.name;
        if (item.is_dir) {
            out[name + "/"] = "";
            ReadTree(path, name + "/", out);
        } else {
            out[name] = testutil::ReadFile(path);
        }
    }
}

Tree ReadTree(const UString& folder) {
    Tree t;
    ReadTree(folder, "", t);
    return t;
}

std::vector<ZipSource> Collect(const UString& root) {
    std::vector<ZipSource> sources;
    std::vector<std::string> notes;
    std::string error;
    EXPECT_TRUE(CollectZipSources({root}, sources, notes, error)) << error;
    return sources;
}

bool WriteArchive(const UString& path, std::vector<ZipSource> sources, ZipWriterOptions o,
                  const std::string& prefix = "", TZipWriter* keep = nullptr) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::CreateAlways)) return false;
    if (!prefix.empty() && !f.Write(prefix.data(), prefix.size())) return false;
    TZipWriter w(o);
    bool ok = w.Write(f, std::move(sources));
    EXPECT_TRUE(ok) << w.Error();
    if (keep != nullptr) *keep = w;
    return f.Close() && ok;
}

bool HaveTool(const std::string& probe) {
    return std::system(("command -v " + probe + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& command) {
    return std::system(("LC_ALL=C.UTF-8 " + command + " >/dev/null 2>&1").c_str());
}

}  // namespace

// Archives must read back in the tools people actually use, with identical contents.
TEST(ZipWriterPeers, EveryInstalledToolExtractsIdenticalContents) {
    if (platform::PathDelimiter() != u'/' || !HaveTool("python3"))
        GTEST_SKIP() << "peer tools run natively only";
    testutil::TempDir dir;
    Tree tree = SampleTree();
    Materialize(dir, "src", tree);
    UString zip = dir.File("out.zip");
    ZipWriterOptions o;
    ASSERT_TRUE(WriteArchive(zip, Collect(dir.File("src")), o));
    const std::string z = "'" + platform::WideToUtf8(zip) + "'";
    struct Peer {
        std::string tool, test, extract;
    };
    std::vector<Peer> peers = {
        {"unzip", "unzip -tq " + z, "unzip -q -o " + z + " -d "},
        {"7zz", "7zz t " + z, "7zz x -y " + z + " -o"},
        {"bsdtar", "bsdtar -tf " + z, "bsdtar -xf " + z + " -C "},
        {"python3",
         "python3 -c 'import sys,zipfile; sys.exit(zipfile.ZipFile(sys.argv[1]).testzip() is not "
         "None)' " +
             z,
         "python3 -c 'import sys,zipfile; zipfile.ZipFile(sys.argv[1]).extractall(sys.argv[2])' " +
             z + " "},
    };
    int tried = 0;
    for (const Peer& p : peers) {
        if (!HaveTool(p.tool)) continue;
        ++tried;
        std::string out = dir.Utf8() + "x-" + p.tool;
        ASSERT_TRUE(platform::ForceDirectories(platform::Utf8ToWide(out)));
        EXPECT_EQ(Shell(p.test), 0) << p.tool << " finds the archive damaged";
        ASSERT_EQ(Shell(p.extract + "'" + out + "'"), 0) << p.tool << " cannot extract";
        Tree got = ReadTree(platform::Utf8ToWide(out));
        EXPECT_EQ(got.size(), tree.size()) << p.tool;
        for (const auto& [name, content] : tree) {
            auto it = got.find(name);
            ASSERT_NE(it, got.end()) << p.tool << " lost " << name;
            EXPECT_TRUE(it->second == content) << p.tool << " changed " << name;
        }
    }
    EXPECT_GE(tried, 2);
}

TEST(ZipWriterLayout, NamesFoldersAttributesAndTimesFollowTheFormat) {
    testutil::TempDir dir;
    Tree tree = SampleTree();
    Materialize(dir, "src", tree);
    UString zip = dir.File("out.zip");
    ZipWriterOptions o;
    ASSERT_TRUE(WriteArchive(zip, Collect(dir.File("src")), o));
    ziptest::ScannedArchive a = ziptest::ScanZip(testutil::ReadFile(zip), true);
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.start, 0u);
    EXPECT_FALSE(a.zip64_end);
    ASSERT_EQ(a.entries.size(), tree.size());
    auto expected = tree.begin();
    for (const auto& e : a.entries) {
        EXPECT_EQ(e.name, expected->first) << "entries come sorted by name";
        ++expected;
        EXPECT_EQ(e.flags & 0x0800, 0x0800) << e.name << ": UTF-8 flag";
        EXPECT_EQ(e.made_by >> 8, 0) << "MS-DOS attribute form";
        EXPECT_FALSE(e.has_zip64);
        bool folder = e.name.back() == '/';
        EXPECT_EQ((e.external & 0x10) != 0, folder) << e.name;
        EXPECT_EQ((e.external & 0x01) != 0, e.name == "ro.txt") << e.name;
        if (folder) {
            EXPECT_EQ(e.size, 0u);
            EXPECT_EQ(e.method, 0);
            continue;
        }
        const std::string& content = tree[e.name];
        EXPECT_EQ(e.size, content.size()) << e.name;
        EXPECT_EQ(e.crc, Crc32Update(0, content.data(), content.size())) << e.name;
        EXPECT_TRUE(e.has_mtime) << e.name;
        EXPECT_EQ(e.mtime, 1600000000) << e.name;
        bool ok = true;
        std::string plain = e.method == 8 ? ziptest::Inflate(e.data, ok) : e.data;
        EXPECT_TRUE(ok && plain == content) << e.name;
    }
}

TEST(ZipWriterLayout, StoresWhatDoesNotShrinkAndDeflatesTheRest) {
    testutil::TempDir dir;
    Tree tree = SampleTree();
    Materialize(dir, "src", tree);
    for (int level : {0, 1, 9, 12}) {
        UString zip = dir.File("l" + std::to_string(level) + ".zip");
        ZipWriterOptions o;
        o.level = level;
        ASSERT_TRUE(WriteArchive(zip, Collect(dir.File("src")), o));
        ziptest::ScannedArchive a = ziptest::ScanZip(testutil::ReadFile(zip), true);
        ASSERT_EQ(a.error, "");
        for (const auto& e : a.entries) {
            bool noise = e.name.find("noise") != std::string::npos ||
                         e.name.find(u8"データ") != std::string::npos;
            bool stored = level == 0 || noise || e.size < 64;
            EXPECT_EQ(e.method, stored ? 0 : 8) << e.name << " at level " << level;
            if (stored) {
                EXPECT_EQ(e.compressed, e.size) << e.name;
                if (e.name.back() != '/') {
                    EXPECT_TRUE(e.data == tree[e.name]) << e.name;
                }
            } else {
                EXPECT_LT(e.compressed, e.size / 2) << e.name;
            }
            EXPECT_EQ(e.needed, e.method == 8 ? 20 : 10) << e.name;
        }
    }
}

TEST(ZipWriterLayout, OffsetsCountFromTheArchiveStartAndTheCrcCoversItsBytes) {
    testutil::TempDir dir;
    Tree tree = SampleTree();
    Materialize(dir, "src", tree);
    UString zip = dir.File("prefixed.bin");
    const std::string prefix = Noise(1536, 9);
    ZipWriterOptions o;
    TZipWriter w(o);
    ASSERT_TRUE(WriteArchive(zip, Collect(dir.File("src")), o, prefix, &w));
    std::string bytes = testutil::ReadFile(zip);
    ziptest::ScannedArchive a = ziptest::ScanZip(bytes);
    ASSERT_EQ(a.error, "");
    EXPECT_EQ(a.start, prefix.size()) << "end record - directory size - directory offset";
    EXPECT_EQ(a.entries.front().offset, 0u) << "the first local header at the archive's first byte";
    EXPECT_EQ(w.ArchiveSize(), bytes.size() - prefix.size());
    EXPECT_EQ(w.ArchiveCrc(),
              Crc32Update(0, bytes.data() + prefix.size(), bytes.size() - prefix.size()));
}

TEST(ZipWriterDeterminism, SameInputsGiveTheSameBytesWhateverTheThreads) {
    testutil::TempDir dir;
    Materialize(dir, "src", SampleTree());
    ZipWriterOptions o;
    o.fixed_time = true;
    o.time = 1234567890;
    o.utc_dos_time = true;
    o.threads = 2;
    ASSERT_TRUE(WriteArchive(dir.File("a.zip"), Collect(dir.File("src")), o));
    // Touch the files: a fixed time makes their own times irrelevant.
    ASSERT_TRUE(platform::SetFileModTime(dir.File("src/readme.txt"), 1700000000));
    o.threads = 1;
    std::vector<ZipSource> reversed = Collect(dir.File("src"));
    std::reverse(reversed.begin(), reversed.end());
    ASSERT_TRUE(WriteArchive(dir.File("b.zip"), reversed, o));
    std::string a = testutil::ReadFile(dir.File("a.zip")),
                b = testutil::ReadFile(dir.File("b.zip"));
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b) << "archives differ";
    ziptest::ScannedArchive s = ziptest::ScanZip(a);
    ASSERT_EQ(s.error, "");
    for (const auto& e : s.entries) {
        EXPECT_EQ(e.mtime, 1234567890) << e.name;
        // 2009-02-13 23:31:30 UTC
        EXPECT_EQ(e.date, ((2009 - 1980) << 9) | (2 << 5) | 13) << e.name;
        EXPECT_EQ(e.time, (23 << 11) | (31 << 5) | 15) << e.name;
    }
}

TEST(ZipWriterZip64, MoreThan65535EntriesGetTheZip64EndRecords) {
    testutil::TempDir dir;
    std::vector<ZipSource> many;
    for (int i = 0; i < 70000; ++i) {
        ZipSource s;
        s.name = "d" + std::to_string(i) + "/";
        s.is_dir = true;
        many.push_back(s);
    }
    UString zip = dir.File("many.zip");
    ASSERT_TRUE(WriteArchive(zip, many, ZipWriterOptions(), "stub"));
    std::string bytes = testutil::ReadFile(zip);
    ziptest::ScannedArchive a = ziptest::ScanZip(bytes);
    ASSERT_EQ(a.error, "");
    EXPECT_TRUE(a.zip64_end);
    EXPECT_EQ(a.count, 70000u);
    EXPECT_EQ(a.start, 4u);
    EXPECT_EQ(bytes.substr(a.end_record + 8, 4), std::string("\xFF\xFF\xFF\xFF", 4))
        << "the classic record's counts say: look in the Zip64 record";
}

// Native only: a sparse file just over 4 GiB. Takes about 15 seconds.
TEST(ZipWriterZip64, NativeOnly_SparseFileOver4GiB) {
    if (platform::PathDelimiter() != u'/') GTEST_SKIP() << "native only";
    testutil::TempDir dir;
    UString big = dir.File("src/huge.bin");
    ASSERT_TRUE(platform::ForceDirectories(dir.File("src")));
    const int64_t size = (4LL << 30) + 12345;
    {
        platform::FileStream f;
        ASSERT_TRUE(f.Open(big, platform::FileStream::Mode::CreateAlways));
        ASSERT_TRUE(f.Truncate(size - 5));
        ASSERT_TRUE(f.Seek(size - 5));
        ASSERT_TRUE(f.Write("tail!", 5));
    }
    ASSERT_TRUE(testutil::WriteFile(dir.File("src/after.txt"), "after"));
    UString zip = dir.File("huge.zip");
    ZipWriterOptions o;
    o.level = 1;
    ASSERT_TRUE(WriteArchive(zip, Collect(dir.File("src")), o));
    ziptest::ScannedArchive a = ziptest::ScanZip(testutil::ReadFile(zip));
    ASSERT_EQ(a.error, "");
    ASSERT_EQ(a.entries.size(), 2u);
    const auto& e = a.entries[1];
    ASSERT_EQ(e.name, "huge.bin");
    EXPECT_TRUE(e.local_zip64);
    EXPECT_TRUE(e.has_zip64);
    EXPECT_EQ(e.needed, 45);
    EXPECT_EQ(e.size, static_cast<uint64_t>(size));
    EXPECT_EQ(e.method, 8);
    // Inflating 4 GiB again would double the time; the peers read the Zip64 records and the
    // streamed deflate path is checked with smaller files above.
    const std::string z = "'" + platform::WideToUtf8(zip) + "'";
    if (HaveTool("python3")) {
        EXPECT_EQ(Shell("python3 -c 'import sys,zipfile; "
                        "i=zipfile.ZipFile(sys.argv[1]).getinfo(\"huge.bin\"); "
                        "sys.exit(i.file_size != " +
                        std::to_string(size) + ")' " + z),
                  0);
    }
    if (HaveTool("unzip")) {
        EXPECT_EQ(Shell("unzip -p " + z + " after.txt | grep -qx after"), 0);
    }
}

TEST(ZipWriterInput, BadNamesAndDuplicatesAreRefused) {
    EXPECT_EQ(EntryNameProblem("a/b.txt"), "");
    EXPECT_EQ(EntryNameProblem("a/"), "");
    EXPECT_EQ(EntryNameProblem("a/COM10.txt"), "");
    // Also what the installer refuses: device names, forbidden characters.
    for (const char* bad : {"", "/etc/passwd", "a/../b", "./a", "a//b", "a\\b", "..", "a/./",
                            "a/CON", u8"LPT¹.txt", "a:b", "a/b?"})
        EXPECT_NE(EntryNameProblem(bad), "") << bad;
    EXPECT_NE(EntryNameProblem(std::string(70000, 'x')), "");

    testutil::TempDir dir;
    platform::FileStream f;
    ASSERT_TRUE(f.Open(dir.File("x.zip"), platform::FileStream::Mode::CreateAlways));
    ZipSource a;
    a.name = "same";
    ZipSource b = a;
    TZipWriter w{ZipWriterOptions()};
    EXPECT_FALSE(w.Write(f, {a, b}));
    EXPECT_NE(w.Error().find("same"), std::string::npos);
    ZipSource missing;
    missing.name = "gone.txt";
    missing.path = dir.File("gone.txt");
    EXPECT_FALSE(w.Write(f, {missing}));
    EXPECT_NE(w.Error().find("gone.txt"), std::string::npos) << w.Error();
}

TEST(ZipWriterInput, SourcesFolderContentsBecomeTheRootAndFilesKeepTheirNames) {
    testutil::TempDir dir;
    ASSERT_TRUE(platform::ForceDirectories(dir.File("one/sub/deeper")));
    ASSERT_TRUE(platform::ForceDirectories(dir.File("two/sub")));
    ASSERT_TRUE(testutil::WriteFile(dir.File("one/sub/a.txt"), "a"));
    ASSERT_TRUE(testutil::WriteFile(dir.File("two/sub/b.txt"), "bb"));
    ASSERT_TRUE(testutil::WriteFile(dir.File("loose.txt"), "loose"));
    std::vector<ZipSource> out;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(CollectZipSources({dir.File("one"), dir.File("two"), dir.File("loose.txt")}, out,
                                  notes, error))
        << error;
    std::map<std::string, int64_t> names;
    for (const auto& s : out) names[s.name] = s.size;
    EXPECT_EQ(names, (std::map<std::string, int64_t>{{"sub/", 0},
                                                     {"sub/deeper/", 0},
                                                     {"sub/a.txt", 1},
                                                     {"sub/b.txt", 2},
                                                     {"loose.txt", 5}}));
    ASSERT_TRUE(testutil::WriteFile(dir.File("two/sub/a.txt"), "clash"));
    EXPECT_FALSE(CollectZipSources({dir.File("one"), dir.File("two")}, out, notes, error));
    EXPECT_NE(error.find("sub/a.txt"), std::string::npos) << error;
    EXPECT_FALSE(CollectZipSources({dir.File("nothing-here")}, out, notes, error));
    EXPECT_NE(error.find("nothing-here"), std::string::npos) << error;
}

TEST(ZipFormatHelpers, CrcOfJoinedPiecesAndCalendarConversion) {
    std::string a = Noise(100000, 11), b = Text(77777, 12);
    uint32_t whole = Crc32Update(0, (a + b).data(), a.size() + b.size());
    EXPECT_EQ(Crc32Combine(Crc32Update(0, a.data(), a.size()), Crc32Update(0, b.data(), b.size()),
                           b.size()),
              whole);
    EXPECT_EQ(Crc32Combine(whole, 0, 0), whole);

    CivilTime c = UtcCivilTime(951782400);  // 2000-02-29 00:00:00, a leap day
    EXPECT_EQ(c.year, 2000);
    EXPECT_EQ(c.month, 2);
    EXPECT_EQ(c.day, 29);
    c = UtcCivilTime(-1);
    EXPECT_EQ(c.year, 1969);
    EXPECT_EQ(c.second, 59);
    ZipEntryRecord r;
    SetEntryTime(r, 0, true);  // 1970 is before DOS times begin
    EXPECT_EQ(r.dos_date, (0 << 9) | (1 << 5) | 1);
    EXPECT_TRUE(r.has_unix_time);
    SetEntryTime(r, 1LL << 33, true);  // year 2242
    EXPECT_EQ(r.dos_date >> 9, 127);
    EXPECT_FALSE(r.has_unix_time) << "does not fit the 32-bit field";
}
