// zmpack, the program as a user runs it, against hostile packages: every name of the hostile name
// table must be refused with nothing written outside the destination, and archives built to
// exhaust memory or disk must be refused within 64 MiB of memory, before writing more than 1 % of
// what they declare.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "package/ZMContainerWriter.h"
#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/childrun.h"
#include "tests/unit/hostile_names.h"
#include "tests/unit/solidkit.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace {

using testutil::TempDir;

constexpr long kPeakLimitKib = 64 * 1024;
constexpr double kTimeLimitSeconds = 20;

// A package around the archive: the configuration and the "zip" block, no stub.
bool WritePackage(const UString& path, const std::string& zip) {
    TZMContainerWriter w;
    return w.Begin(path, std::string()) &&
           w.AddBlock("config", "archive_id=7\r\nlangid=en\r\n", true, true, 0, 0x5A) &&
           w.AddBlock("zip", zip, true, false, 15, 0x21) && w.Finish();
}

testutil::ChildResult Zmpack(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {ZM_ZMPACK_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return testutil::RunChild(argv, kTimeLimitSeconds);
}

std::string Describe(const testutil::ChildResult& r) {
    return "exit " + std::to_string(r.exit_code) + " signal " + std::to_string(r.signal) +
           (r.timed_out ? " TIMED OUT" : "") + "\nstdout: " + r.out + "\nstderr: " + r.err;
}

// A path as the system would resolve it: '\' taken as a delimiter too, "." and ".." applied.
std::string Resolve(const std::string& base, const std::string& name) {
    std::string joined =
        (!name.empty() && (name[0] == '/' || name[0] == '\\')) ? name : base + "/" + name;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t cut = joined.find_first_of("/\\", start);
        if (cut == std::string::npos) cut = joined.size();
        const std::string part = joined.substr(start, cut - start);
        start = cut + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }
    std::string out;
    for (const auto& p : parts) out += "/" + p;
    return out.empty() ? "/" : out;
}

// What is at a path outside the scratch folder: kind, size and time.
std::string StateOf(const std::string& path) {
    platform::PathInfo info;
    if (!platform::GetPathInfo(platform::Utf8ToWide(path), info)) return "absent";
    return (info.is_dir ? "folder " : "file ") + std::to_string(info.size) + " " +
           std::to_string(info.mod_time);
}

uint64_t BytesBelow(const UString& folder) {
    uint64_t total = 0;
    std::vector<platform::PathInfo> list;
    if (!platform::ListDirectory(folder, list)) return 0;
    for (const auto& i : list)
        total += i.is_dir ? BytesBelow(folder + platform::PathDelimiter() + i.name)
                          : static_cast<uint64_t>(i.size);
    return total;
}

TEST(ZmpackHostile, EveryNameOfTheTableIsRefusedByTheProgram) {
    const auto names = hostile::Names();
    ASSERT_GE(names.size(), 60u);
    int refused = 0;
    for (const auto& name : names) {
        TempDir dir;
        const UString pkg = dir.File("p.exe");
        const UString dest = dir.File("out/dest");
        ASSERT_TRUE(platform::ForceDirectories(dest));
        zipkit::Entry e;
        e.name = name;
        e.data = "escaped";
        e.utf8 = true;
        // The sound entry first: the run stops at the refused one, as the installer's does.
        ASSERT_TRUE(WritePackage(pkg, zipkit::ZipBuilder().AddFile("ok.txt", "ok").Add(e).Build()));
        // Where the name would land if it were taken as a path, when that is outside the scratch
        // folder (which the snapshot covers).
        const std::string outside = Resolve(platform::WideToUtf8(dest), name);
        const bool watch = outside.compare(0, dir.Utf8().size(), dir.Utf8()) != 0;
        const std::string outside_before = watch ? StateOf(outside) : "";
        const auto before = hostile::Snapshot(dir.Path());

        const auto r = Zmpack({"extract", "-d", platform::WideToUtf8(dest), "--overwrite", "never",
                               platform::WideToUtf8(pkg)});
        auto after = hostile::Snapshot(dir.Path());
        // The destination holds the sound entry and nothing else.
        auto in_dest = hostile::Snapshot(dest);
        EXPECT_EQ(in_dest, std::vector<std::string>{"ok.txt 2"}) << "[" << name << "]";
        after.erase(std::remove_if(after.begin(), after.end(),
                                   [](const std::string& p) {
                                       return p.size() > 9 && p.compare(0, 9, "out/dest/") == 0;
                                   }),
                    after.end());
        EXPECT_EQ(after, before) << "[" << name << "]";
        if (watch) {
            EXPECT_EQ(StateOf(outside), outside_before) << "[" << name << "] " << outside;
        }
        const bool ok = r.exit_code == 1 && r.err.find(name) != std::string::npos;
        EXPECT_TRUE(ok) << "[" << name << "] " << Describe(r);
        if (ok) ++refused;
    }
    std::printf("hostile names through zmpack extract: %zu in the table, %d refused\n",
                names.size(), refused);
}

struct StructureCase {
    std::string what;
    uint64_t declared;                 // the sizes the archive claims for its files, in all
    std::function<std::string()> zip;  // made only when its turn comes: the test stays small,
                                       // and a child's peak memory counts its parent's at start
};

uint32_t Get32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    return v;
}

void Put(std::string& s, size_t at, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// Raw deflate of n zero bytes, made in slices.
std::string DeflatedZeros(size_t n) {
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    const std::string zeros(1 << 16, '\0');
    std::string out;
    char buf[1 << 16];
    for (size_t left = n;;) {
        const size_t take = std::min(left, zeros.size());
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
        z.avail_in = static_cast<uInt>(take);
        left -= take;
        const int flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        int r;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buf);
            z.avail_out = sizeof buf;
            r = deflate(&z, flush);
            out.append(buf, sizeof buf - z.avail_out);
        } while (z.avail_out == 0);
        if (flush == Z_FINISH && r == Z_STREAM_END) break;
    }
    deflateEnd(&z);
    return out;
}

std::vector<StructureCase> StructureCases() {
    std::vector<StructureCase> cases;
    cases.push_back(
        {"overlapping entries", 1000ull << 20, [] {
             // A thousand directory entries expanding one block of compressed data (1 MiB each).
             const std::string one =
                 zipkit::ZipBuilder().AddFile("bomb.bin", std::string(1 << 20, '\0')).Build();
             const size_t eocd = one.size() - 22, cd = Get32(one, eocd + 16);
             const std::string central = one.substr(cd, eocd - cd);
             std::string zip = one.substr(0, cd);
             for (int i = 0; i < 1000; ++i) zip += central;
             std::string end = one.substr(eocd);
             Put(end, 8, 1000, 2);
             Put(end, 10, 1000, 2);
             Put(end, 12, central.size() * 1000, 4);
             return zip + end;
         }});
    cases.push_back({"data longer than declared", 1000, [] {
                         // 256 MiB of zeros recorded as 1000 bytes: stored under a made-up method,
                         // then marked deflated in both headers.
                         zipkit::Entry e;
                         e.name = "small.bin";
                         e.data = DeflatedZeros(256u << 20);
                         e.method = 99;
                         e.set_size = true;
                         e.size = 1000;
                         std::string zip = zipkit::ZipBuilder().Add(e).Build();
                         const size_t cd = Get32(zip, zip.size() - 22 + 16);
                         Put(zip, 8, 8, 2);
                         Put(zip, cd + 10, 8, 2);
                         return zip;
                     }});
    cases.push_back({"data shorter than declared", 1ull << 50, [] {
                         zipkit::Entry e;
                         e.name = "huge.bin";
                         e.data = "tiny";
                         e.zip64 = true;
                         e.set_size = true;
                         e.size = 1ull << 50;
                         return zipkit::ZipBuilder().Add(e).Build();
                     }});
    cases.push_back({"entry count beyond the directory", 1, [] {
                         zipkit::ZipBuilder b;
                         b.AddFile("a.txt", "a");
                         b.zip64_end = true;
                         b.set_count = true;
                         b.count = 1ull << 40;
                         return b.Build();
                     }});
    cases.push_back({"saturated size without Zip64", 0xFFFFFFFFu, [] {
                         zipkit::Entry e;
                         e.name = "sat.bin";
                         e.data = "data";
                         e.set_size = true;
                         e.size = 0xFFFFFFFFu;
                         return zipkit::ZipBuilder().Add(e).Build();
                     }});
    cases.push_back({"offset sum overflows", 4, [] {
                         zipkit::Entry e;
                         e.name = "far.bin";
                         e.data = "data";
                         e.zip64 = true;
                         e.set_local_offset = true;
                         e.local_offset = 0x7FFFFFFFFFFFFFF0ull;
                         return zipkit::ZipBuilder().Add(e).Build();
                     }});
    cases.push_back({"second end record", 1, [] {
                         const std::string plain =
                             zipkit::ZipBuilder().AddFile("a.txt", "a").Build();
                         zipkit::ZipBuilder b;
                         b.AddFile("a.txt", "a");
                         b.comment = "note" + plain.substr(plain.size() - 22);
                         return b.Build();
                     }});
    cases.push_back({"local header names another file", 4, [] {
                         zipkit::Entry e;
                         e.name = "central.txt";
                         e.local_name = "localname.txt";
                         e.data = "data";
                         return zipkit::ZipBuilder().Add(e).Build();
                     }});
    cases.push_back({"directory outside the zip block", 5000, [] {
                         // The directory's recorded offset moved back into the container's head:
                         // the archive would start before the "zip" block.
                         std::string zip =
                             zipkit::ZipBuilder().AddFile("a.txt", std::string(5000, 'a')).Build();
                         const size_t field = zip.size() - 22 + 16;
                         Put(zip, field, Get32(zip, field) + 64, 4);
                         return zip;
                     }});
    // Solid chains: a small first member, then megabytes that must not come out.
    auto chain = [](size_t members, uint8_t recorded_prop, bool reorder, bool cut) {
        std::string text;
        for (int i = 0; text.size() < (2u << 20); ++i) text += "row " + std::to_string(i) + "\n";
        std::vector<solidkit::File> files = {{"a.txt", "first"}, {"b.txt", text}, {"c.txt", text}};
        files.resize(members);
        auto m = solidkit::Chain(files, 16, false, recorded_prop);
        if (reorder) std::swap(m[1], m[2]);
        if (cut) m.back().data.resize(m.back().data.size() / 2);
        zipkit::ZipBuilder b;
        for (const auto& e : m) b.Add(e);
        return b.Build();
    };
    cases.push_back({"solid chain reordered", 4u << 20, [=] { return chain(3, 0xFF, true, 0); }});
    cases.push_back({"solid stream cut", 2u << 20, [=] { return chain(2, 0xFF, false, true); }});
    cases.push_back({"solid dictionary of 4 GiB claimed", 4u << 20,
                     [=] { return chain(3, 40, false, false); }});
    return cases;
}

TEST(ZmpackHostile, StructureIsRefusedWithinBoundedMemoryAndWrites) {
    TempDir dir;
    // The baseline: a sound package of a few files.
    {
        const UString pkg = dir.File("sound.exe");
        ASSERT_TRUE(WritePackage(pkg, zipkit::ZipBuilder()
                                          .AddFile("a.txt", "a")
                                          .AddFile("b.bin", zipkit::RandomBytes(300000, 1))
                                          .Build()));
        const auto r = Zmpack({"extract", "-d", dir.Utf8() + "sound", platform::WideToUtf8(pkg)});
        EXPECT_EQ(r.exit_code, 0) << Describe(r);
        std::printf("peak memory %-36s %6ld KiB (extract, exit %d)\n", "sound package", r.peak_kib,
                    r.exit_code);
    }
    int n = 0;
    for (const auto& c : StructureCases()) {
        const UString pkg = dir.File("case" + std::to_string(n) + ".exe");
        const std::string dest = dir.Utf8() + "dest" + std::to_string(n++);
        ASSERT_TRUE(WritePackage(pkg, c.zip())) << c.what;
        long peak = 0;
        for (const char* command : {"verify", "extract"}) {
            std::vector<std::string> args = {command};
            if (std::string(command) == "extract")
                args.insert(args.end(), {"-d", dest, "--overwrite", "never"});
            args.push_back(platform::WideToUtf8(pkg));
            const auto r = Zmpack(args);
            EXPECT_TRUE(r.started && !r.timed_out && r.signal == 0) << c.what << " " << Describe(r);
            EXPECT_EQ(r.exit_code, 1) << c.what << " " << command << " " << Describe(r);
            EXPECT_NE(r.err.find("zmpack " + std::string(command) + ": "), std::string::npos)
                << c.what << " " << Describe(r);
            if (ZM_PEAK_LIMITED) {
                EXPECT_LT(r.peak_kib, kPeakLimitKib) << c.what << " " << command;
            }
            peak = std::max(peak, r.peak_kib);
        }
        const uint64_t written = BytesBelow(platform::Utf8ToWide(dest));
        EXPECT_LE(written, c.declared / 100) << c.what;
        std::printf("peak memory %-36s %6ld KiB (verify and extract), %llu bytes left\n",
                    c.what.c_str(), peak, static_cast<unsigned long long>(written));
    }
}

}  // namespace
