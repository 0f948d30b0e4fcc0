// LZMA and solid entries end to end: zmpack's zip writer makes the archives, the engine reads
// them back through ZE_Exec; hostile chains are made directly (tests/unit/solidkit.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "engine/ZMEngineApi.h"
#include "engine/solidformat.h"
#include "engine/zipformat.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "platform/pathparts.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/solidkit.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"
#include "tools/zmpack/zipwriter.h"

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// A small x86 PE image: the MZ header pointing at "PE\0\0" with machine 0x14C, then code whose
// calls (E8, relative) go to a few functions: the x86 filter makes their targets repeat.
std::string FakeProgram(uint32_t seed) {
    std::string p(4096, '\0');
    p[0] = 'M', p[1] = 'Z', p[0x3C] = static_cast<char>(0x80);
    p.replace(0x80, 6, std::string("PE\0\0\x4C\x01", 6));
    const std::string noise = zipkit::RandomBytes(60000, seed);
    for (size_t i = 0; i < 60000; ++i) {
        p += "\x55\x8B\xEC\xE8";
        const uint32_t target = 0x1000 + 64 * (static_cast<uint8_t>(noise[i]) % 16);
        const uint32_t rel = target - static_cast<uint32_t>(p.size() + 4);
        for (int b = 0; b < 4; ++b) p.push_back(static_cast<char>(rel >> (8 * b)));
        p += "\x5D\xC3";
    }
    return p;
}

std::string Text(int n, const std::string& word) {
    std::string t;
    for (int i = 0; i < n; ++i) t += word + " line " + std::to_string(i * 7 % 1000) + "\n";
    return t;
}

struct Payload {
    TempDir dir;
    std::map<std::string, std::string> files;  // name -> content; folders end in '/'
    std::vector<zmpack::ZipSource> sources;

    Payload() {
        files["app/setup.exe"] = FakeProgram(1);
        files["app/lib.dll"] = FakeProgram(2);
        files["docs/readme.txt"] = Text(2000, "readme");  // larger than the engine's buffer
        files["docs/notes.txt"] = Text(50, "notes");
        files["docs/empty.txt"] = "";
        files["data/random.bin"] = zipkit::RandomBytes(70000, 3);
        files["data/small.ini"] = "[a]\nb=1\n";
        files["empty-folder/"] = "";
        for (const auto& [name, data] : files) {
            zmpack::ZipSource s;
            s.name = name;
            s.is_dir = name.back() == '/';
            s.mod_time = 1700000000;
            if (!s.is_dir) {
                s.path = dir.File("src/" + name);
                platform::ForceDirectories(platform::FolderPart(s.path));
                WriteFile(s.path, data);
                s.size = static_cast<int64_t>(data.size());
            }
            sources.push_back(s);
        }
    }

    std::string Pack(zmpack::ZipMethod method, int threads = 2) {
        zmpack::ZipWriterOptions o;
        o.method = method;
        o.threads = threads;
        o.temp_base = dir.File("archive");
        const UString path = dir.File("archive.zip");
        platform::FileStream f;
        EXPECT_TRUE(f.Open(path, platform::FileStream::Mode::CreateAlways));
        zmpack::TZipWriter w(o);
        EXPECT_TRUE(w.Write(f, sources)) << w.Error();
        f.Close();
        return ReadFile(path);
    }
};

struct Extracted {
    TempDir dir;
    UString archive = dir.File("a.zip");
    UString dest = dir.File("dest/");
    explicit Extracted(const std::string& zip) {
        platform::CreateDir(dir.File("dest"));
        WriteFile(archive, zip);
    }
    std::string Out(const std::string& name) const { return ReadFile(dir.File("dest/" + name)); }
};

// The entries, each with the position of its data.
std::vector<std::pair<zipformat::ZipEntry, int64_t>> Directory(const std::string& zip) {
    zipformat::MemorySource src(zip.data(), zip.size());
    zipformat::ZipDirectory d;
    std::vector<std::pair<zipformat::ZipEntry, int64_t>> out;
    if (!d.Open(&src)) return out;
    zipformat::ZipEntry e;
    while (d.Next(e)) {
        int64_t pos = -1;
        std::string why;
        d.LocateData(e, pos, why);
        out.emplace_back(e, pos);
    }
    return out;
}

}  // namespace

TEST(SolidEntries, EveryMethodRoundTripsByteForByteAndReproducibly) {
    Payload p;
    const std::pair<zmpack::ZipMethod, const char*> methods[] = {
        {zmpack::ZipMethod::Solid, "solid"},
        {zmpack::ZipMethod::Lzma, "lzma"},
        {zmpack::ZipMethod::Deflate, "deflate"},
        {zmpack::ZipMethod::Store, "store"}};
    for (const auto& [method, what] : methods) {
        const std::string zip = p.Pack(method);
        Extracted x(zip);
        Driver d;
        EXPECT_EQ(d.Run(x.archive, x.dest), 7) << what << d.Dump();
        for (const auto& [name, data] : p.files)
            if (name.back() != '/') {
                EXPECT_EQ(x.Out(name), data) << what << " " << name;
            }
        EXPECT_TRUE(platform::DirectoryExists(x.dir.File("dest/empty-folder"))) << what;
        Driver test;
        test.options = kZEOptAlways | kZEOptTest;
        EXPECT_EQ(test.Run(x.archive, UString()), 7) << what << test.Dump();
        // The same bytes again, with one compressing thread or two.
        EXPECT_EQ(p.Pack(method, 1), zip) << what;
    }

    // The solid layout: folders and empty files stored first, then the programs' chain behind
    // the x86 filter, then the other files' chain by extension and name, members numbered.
    const auto listed = Directory(p.Pack(zmpack::ZipMethod::Solid));
    std::vector<zipformat::ZipEntry> entries;
    std::vector<std::string> order;
    for (const auto& e : listed) entries.push_back(e.first), order.push_back(e.first.name);
    EXPECT_EQ(order, (std::vector<std::string>{"docs/empty.txt", "empty-folder/", "app/lib.dll",
                                               "app/setup.exe", "data/random.bin", "data/small.ini",
                                               "docs/notes.txt", "docs/readme.txt"}));
    ASSERT_EQ(entries.size(), 8u);
    EXPECT_EQ(entries[0].method, 0);
    for (size_t i = 2; i < entries.size(); ++i) {
        zipformat::SolidMember m;
        ASSERT_TRUE(zipformat::ParseSolidMember(entries[i].solid, m)) << entries[i].name;
        EXPECT_EQ(entries[i].method, zipformat::kMethodSolid);
        EXPECT_EQ(m.index, i < 4 ? i - 2 : i - 4) << entries[i].name;
        EXPECT_EQ(m.last, i == 3 || i == 7) << entries[i].name;
        if (m.index == 0) {
            EXPECT_EQ(m.filter, i == 2 ? 1 : 0);
        } else {  // each member's header right after the data of the one before
            EXPECT_EQ(entries[i].local_offset,
                      static_cast<uint64_t>(listed[i - 1].second) + entries[i - 1].compressed_size)
                << entries[i].name;
        }
    }
    // The programs compress far better with the filter than the same bytes without it.
    const auto lzma = Directory(p.Pack(zmpack::ZipMethod::Lzma));
    EXPECT_LT(entries[2].compressed_size + entries[3].compressed_size,
              (lzma[0].first.compressed_size + lzma[1].first.compressed_size) * 9 / 10);
}

TEST(SolidEntries, MembersKeptSkippedOrStoppedLeaveTheOthersWhole) {
    Payload p;
    const std::string zip = p.Pack(zmpack::ZipMethod::Solid);
    // An existing file in the middle of a chain is kept: it is still decoded, the rest is whole.
    {
        Extracted x(zip);
        platform::ForceDirectories(x.dir.File("dest/data"));
        platform::ForceDirectories(x.dir.File("dest/app"));
        WriteFile(x.dir.File("dest/data/random.bin"), "mine");
        WriteFile(x.dir.File("dest/app/lib.dll"), "mine too");
        Driver d;
        d.overwrite_answer = 0;
        EXPECT_EQ(d.Run(x.archive, x.dest), 5) << d.Dump();
        EXPECT_EQ(x.Out("data/random.bin"), "mine");
        EXPECT_EQ(x.Out("app/lib.dll"), "mine too");
        for (const char* name : {"app/setup.exe", "data/small.ini", "docs/readme.txt"})
            EXPECT_EQ(x.Out(name), p.files[name]) << name;
    }
    // Only the last member selected: the ones before it are decoded and dropped.
    {
        Extracted x(zip);
        Driver d;
        d.includes = {"docs/readme.txt"};
        EXPECT_EQ(d.Run(x.archive, x.dest), 1) << d.Dump();
        EXPECT_EQ(x.Out("docs/readme.txt"), p.files["docs/readme.txt"]);
    }
    // A stop within a member: no partial file, the run ends as cancelled.
    {
        Extracted x(zip);
        Driver d;
        d.progress_hook = [](ZECallbackInfo& info) {
            return info.Kind == ZE_PR_PROGRESS && info.ItemNumber == 2 ? 1 : 0;
        };
        EXPECT_EQ(d.Run(x.archive, x.dest), -ZE_ERR_CANCEL) << d.Dump();
        EXPECT_FALSE(platform::FileExists(x.dir.File("dest/app/lib.dll")));
    }
}

TEST(SolidEntries, HostileChainsFailTheirEntriesAndNothingElse) {
    const std::string repeated = [] {
        const std::string block = zipkit::RandomBytes(20000, 9);
        std::string s;
        for (int i = 0; i < 8; ++i) s += block;  // matches 20,000 bytes back
        return s;
    }();
    const std::vector<solidkit::File> files = {
        {"a.txt", Text(20, "alpha")}, {"b.bin", repeated}, {"c.txt", Text(300, "gamma")}};
    struct Case {
        std::string what;
        std::vector<zipkit::Entry> entries;
        int failed;  // entries refused
    };
    std::vector<Case> cases;
    cases.push_back({"sound", solidkit::Chain(files), 0});
    {
        auto e = solidkit::Chain(files);
        std::swap(e[1], e[2]);
        cases.push_back({"members reordered", e, 2});
    }
    {
        auto e = solidkit::Chain(files);
        e[2].data.resize(e[2].data.size() - 3);  // the end byte and the last of the data
        cases.push_back({"stream cut", e, 1});
    }
    {
        auto e = solidkit::Chain(files);
        e[2].data += "trailing";
        cases.push_back({"bytes after the stream", e, 1});
    }
    cases.push_back({"dictionary of 4 GiB claimed", solidkit::Chain(files, 16, false, 40), 3});
    cases.push_back({"dictionary of 96 MiB claimed", solidkit::Chain(files, 16, false, 29), 3});
    // 4 KiB claimed where the data refers 20,000 bytes back: damaged from member b on.
    cases.push_back({"dictionary too small claimed", solidkit::Chain(files, 16, false, 0), 2});
    {
        auto e = solidkit::Chain(files);
        e.erase(e.begin());
        cases.push_back({"first member missing", e, 2});
    }
    {
        auto e = solidkit::Chain(files);
        zipkit::Entry plain;
        plain.name = "between.txt";
        plain.data = "x";
        e.insert(e.begin() + 1, plain);
        cases.push_back({"an entry inside the chain", e, 2});
    }
    for (const Case& c : cases) {
        zipkit::ZipBuilder b;
        for (const auto& e : c.entries) b.Add(e);
        Extracted x(b.Build());
        Driver d;
        const int32_t r = d.Run(x.archive, x.dest);
        const int files_in = static_cast<int>(c.entries.size());
        EXPECT_EQ(r, files_in - c.failed) << c.what << d.Dump();
        int refused = 0;
        for (const auto& s : d.Of(1, ZE_CB_SKIPPED)) {
            EXPECT_EQ(s.code, ZE_SKIP_ZIP_FORMAT_WRONG) << c.what;
            ++refused;
        }
        EXPECT_EQ(refused, c.failed) << c.what << d.Dump();
        for (const auto& f : files)
            if (platform::FileExists(x.dir.File("dest/" + f.name))) {
                EXPECT_EQ(x.Out(f.name), f.data) << c.what << " " << f.name;
            }
    }
}
