// The engine on archives written by other tools at test time (Info-ZIP zip, Python's zipfile,
// 7-Zip, bsdtar), each also placed behind other data. A tool that is not installed skips its case.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/testutil.h"
#include "tools/zmpack/zipsources.h"
#include "tools/zmpack/zipwriter.h"

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

const char kCyrillic[] = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";

// Name -> content for files, name/ -> "" for folders.
void Collect(const UString& folder, const std::string& prefix,
             std::map<std::string, std::string>& out) {
    std::vector<platform::PathInfo> list;
    if (!platform::ListDirectory(folder, list)) return;
    for (const auto& i : list) {
        std::string n = prefix + platform::WideToUtf8(i.name);
        UString full = folder + i.name;
        if (i.is_dir) {
            out[n + "/"] = "";
            Collect(full + u"/", n + "/", out);
        } else {
            out[n] = ReadFile(full);
        }
    }
}

std::map<std::string, std::string> Snapshot(const UString& folder) {
    std::map<std::string, std::string> m;
    Collect(folder, "", m);
    return m;
}

bool Have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

int Shell(const std::string& cmd) { return std::system(cmd.c_str()); }

std::string Q(const UString& path) { return "'" + platform::WideToUtf8(path) + "'"; }

class ToolArchives : public ::testing::Test {
  protected:
    void SetUp() override {
        src_ = dir_.File("src/");
        platform::ForceDirectories(dir_.File("src/nested/deeper"));
        platform::ForceDirectories(dir_.File("src/empty-folder"));
        platform::ForceDirectories(dir_.File(std::string("src/") + kCyrillic));
        std::string text;
        for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + " of some text\n";
        std::string noise;
        uint32_t x = 99;
        for (int i = 0; i < 200000; ++i) {
            x = x * 1103515245u + 12345u;
            noise.push_back(static_cast<char>(x >> 24));
        }
        WriteFile(dir_.File("src/readme.txt"), text);
        WriteFile(dir_.File("src/nested/noise.bin"), noise);
        WriteFile(dir_.File("src/nested/deeper/empty.txt"), "");
        WriteFile(dir_.File(std::string("src/") + kCyrillic + "/" + kCyrillic + ".txt"), "utf8");
        expected_ = Snapshot(src_);
    }

    // Extracts `archive` (and the same bytes behind a prefix) and compares with the source.
    void Check(const UString& archive, const std::string& password = std::string()) {
        for (bool prefixed : {false, true}) {
            UString path = archive;
            if (prefixed) {
                path = archive + u".prefixed";
                ASSERT_TRUE(WriteFile(path, std::string(5000, 'S') + ReadFile(archive)));
            }
            UString dest = dir_.File(prefixed ? "out-p/" : "out/");
            testutil::RemoveTree(dest);
            platform::ForceDirectories(dest);
            Driver d;
            d.password = password;
            int32_t r = d.Run(path, dest);
            EXPECT_EQ(r, 4) << (prefixed ? "prefixed\n" : "plain\n") << d.Dump();
            auto got = Snapshot(dest);
            // Tools differ on whether empty folders are stored; files must all be there.
            for (const auto& kv : expected_) {
                if (kv.first.back() == '/') continue;
                auto it = got.find(kv.first);
                ASSERT_NE(it, got.end()) << "missing " << kv.first;
                EXPECT_TRUE(it->second == kv.second) << "content differs: " << kv.first;
            }
            for (const auto& kv : got)
                EXPECT_TRUE(expected_.count(kv.first)) << "unexpected " << kv.first;
        }
    }

    TempDir dir_;
    UString src_;
    std::map<std::string, std::string> expected_;
};

}  // namespace

TEST_F(ToolArchives, InfoZip) {
    if (!Have("zip")) GTEST_SKIP() << "zip not installed";
    UString plain = dir_.File("plain.zip"), stored = dir_.File("stored.zip"),
            enc = dir_.File("enc.zip"), stream = dir_.File("stream.zip");
    ASSERT_EQ(Shell("cd " + Q(src_) + " && zip -q -r " + Q(plain) + " ."), 0);
    ASSERT_EQ(Shell("cd " + Q(src_) + " && zip -q -0 -r " + Q(stored) + " ."), 0);
    ASSERT_EQ(Shell("cd " + Q(src_) + " && zip -q -P 'se cret' -r " + Q(enc) + " ."), 0);
    // Streamed output: data descriptors and Zip64 local fields.
    ASSERT_EQ(Shell("cd " + Q(src_) + " && zip -q -r - . > " + Q(stream)), 0);
    Check(plain);
    Check(stored);
    Check(enc, "se cret");
    Check(stream);
}

TEST_F(ToolArchives, PythonZipfileWithZip64) {
    if (!Have("python3")) GTEST_SKIP() << "python3 not installed";
    UString z = dir_.File("py.zip");
    std::string script =
        "import os, sys, zipfile\n"
        "src, out = sys.argv[1], sys.argv[2]\n"
        "with zipfile.ZipFile(out, 'w', zipfile.ZIP_DEFLATED) as zf:\n"
        "    for root, dirs, files in os.walk(src):\n"
        "        for d in dirs:\n"
        "            p = os.path.join(root, d)\n"
        "            zf.write(p, os.path.relpath(p, src) + '/')\n"
        "        for f in files:\n"
        "            p = os.path.join(root, f)\n"
        "            with open(p, 'rb') as i, zf.open(os.path.relpath(p, src), 'w',\n"
        "                                           force_zip64=True) as o:\n"
        "                o.write(i.read())\n";
    ASSERT_TRUE(WriteFile(dir_.File("mk.py"), script));
    ASSERT_EQ(Shell("python3 " + Q(dir_.File("mk.py")) + " " + Q(src_) + " " + Q(z)), 0);
    Check(z);
}

TEST_F(ToolArchives, SevenZip) {
    if (!Have("7zz")) GTEST_SKIP() << "7zz not installed";
    UString z = dir_.File("7.zip"), enc = dir_.File("7enc.zip");
    ASSERT_EQ(Shell("cd " + Q(src_) + " && 7zz a -bb0 -bd -tzip " + Q(z) + " . >/dev/null"), 0);
    ASSERT_EQ(Shell("cd " + Q(src_) + " && 7zz a -bb0 -bd -tzip -mem=ZipCrypto -pxyz " + Q(enc) +
                    " . >/dev/null"),
              0);
    Check(z);
    Check(enc, "xyz");
}

TEST_F(ToolArchives, Bsdtar) {
    if (!Have("bsdtar")) GTEST_SKIP() << "bsdtar not installed";
    UString z = dir_.File("bsd.zip");
    ASSERT_EQ(Shell("cd " + Q(src_) + " && bsdtar --format zip -cf " + Q(z) + " ."), 0);
    Check(z);
}

// Method 14 both ways: the engine reads 7-Zip's and Python's LZMA entries, and other tools read
// zmpack's (Python's zipfile and 7-Zip extract them, bsdtar and unzip list solid packages).
TEST_F(ToolArchives, LzmaAndSolidAcrossTools) {
    if (Have("7zz")) {
        UString z = dir_.File("7lzma.zip");
        ASSERT_EQ(
            Shell("cd " + Q(src_) + " && 7zz a -bb0 -bd -tzip -mm=LZMA " + Q(z) + " . >/dev/null"),
            0);
        Check(z);
    }
    if (Have("python3")) {
        UString z = dir_.File("pylzma.zip");
        ASSERT_EQ(Shell("cd " + Q(src_) +
                        " && python3 -c \"import os, zipfile\n"
                        "with zipfile.ZipFile('" +
                        platform::WideToUtf8(z) +
                        "', 'w', zipfile.ZIP_LZMA) as z:\n"
                        "    for r, ds, fs in os.walk('.'):\n"
                        "        for f in fs: z.write(os.path.join(r, f))\""),
                  0);
        Check(z);
    }
    auto pack = [&](zmpack::ZipMethod method, const char* name) {
        std::vector<zmpack::ZipSource> sources;
        std::vector<std::string> notes;
        std::string error;
        EXPECT_TRUE(zmpack::CollectZipSources({src_}, sources, notes, error)) << error;
        zmpack::ZipWriterOptions o;
        o.method = method;
        o.temp_base = dir_.File(name);
        const UString path = dir_.File(name);
        platform::FileStream f;
        EXPECT_TRUE(f.Open(path, platform::FileStream::Mode::CreateAlways));
        zmpack::TZipWriter w(o);
        EXPECT_TRUE(w.Write(f, sources)) << w.Error();
        f.Close();
        return path;
    };
    const UString lzma = pack(zmpack::ZipMethod::Lzma, "ours-lzma.zip");
    auto same = [&](const char* folder) {
        const auto got = Snapshot(dir_.File(folder));
        for (const auto& kv : expected_) {
            auto it = got.find(kv.first);
            ASSERT_NE(it, got.end()) << folder << ": missing " << kv.first;
            EXPECT_TRUE(it->second == kv.second) << folder << ": content differs: " << kv.first;
        }
    };
    if (Have("python3")) {
        ASSERT_EQ(Shell("python3 -c \"import sys, zipfile; zipfile.ZipFile(sys.argv[1])"
                        ".extractall(sys.argv[2])\" " +
                        Q(lzma) + " " + Q(dir_.File("by-python/"))),
                  0);
        same("by-python/");
    }
    if (Have("7zz")) {
        ASSERT_EQ(
            Shell("7zz x -bb0 -bd -o" + Q(dir_.File("by-7zz/")) + " " + Q(lzma) + " >/dev/null"),
            0);
        same("by-7zz/");
    }
    const UString solid = pack(zmpack::ZipMethod::Solid, "ours-solid.zip");
    Check(solid);
    std::vector<std::string> names;
    for (const auto& kv : expected_) names.push_back(kv.first);
    for (const char* lister : {"bsdtar -tf", "unzip -Z1"}) {
        const std::string tool(lister, std::string(lister).find(' '));
        if (!Have(tool.c_str())) continue;
        const UString listing = dir_.File("listing.txt");
        ASSERT_EQ(Shell(std::string(lister) + " " + Q(solid) + " > " + Q(listing)), 0) << lister;
        const std::string text = ReadFile(listing);
        for (const std::string& n : names)
            EXPECT_NE(text.find(n + "\n"), std::string::npos) << lister << " lacks " << n;
    }
}
