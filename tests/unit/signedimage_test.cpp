// Where the archive ends in a signed program: synthetic PE images with an archive, padding and a
// certificate table, read from memory and through FileSource the way setup opens itself.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/signedimage.h"
#include "engine/zipformat.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

using zipformat::FindSignedImage;
using zipformat::MemorySource;
using zipformat::SignedImage;

namespace {

void Put16(std::string& s, size_t at, uint16_t v) {
    s[at] = static_cast<char>(v);
    s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

// The headers of a PE image: DOS header, "PE\0\0", COFF header and an optional header whose data
// directory has 16 entries, all zero.
struct Pe {
    bool plus = false;
    uint32_t lfanew = 0x80;
    uint32_t dir_count = 16;
    int opt_size = -1;  // what the COFF header declares; -1 for the true size

    size_t OptPos() const { return lfanew + 24; }
    size_t DirPos() const { return OptPos() + (plus ? 112 : 96); }
    size_t SecurityPos() const { return DirPos() + 4 * 8; }
    size_t End() const { return DirPos() + 16 * 8; }
    std::string Build() const {
        std::string s(End(), '\0');
        s[0] = 'M';
        s[1] = 'Z';
        Put32(s, 0x3C, lfanew);
        std::memcpy(&s[lfanew], "PE\0\0", 4);
        Put16(s, lfanew + 4, plus ? 0x8664 : 0x14c);
        Put16(s, lfanew + 20, static_cast<uint16_t>(opt_size < 0 ? End() - OptPos() : opt_size));
        Put16(s, OptPos(), plus ? 0x20b : 0x10b);
        Put32(s, DirPos() - 4, dir_count);
        return s;
    }
};

// One WIN_CERTIFICATE record of `len` bytes (header included), padded to 8 unless `unpadded`.
std::string Record(uint32_t len, uint16_t type = 2, uint16_t revision = 0x0200,
                   bool unpadded = false) {
    std::string r(8, '\0');
    Put32(r, 0, len);
    Put16(r, 4, revision);
    Put16(r, 6, type);
    r += zipkit::RandomBytes(len - 8, len);
    if (!unpadded) r.resize((r.size() + 7) & ~size_t{7}, '\0');
    return r;
}

const std::vector<std::string> kNames = {"readme.txt", "bin/", "bin/tool.dll"};

std::string Archive(const std::string& comment = "") {
    zipkit::ZipBuilder b;
    b.AddFile("readme.txt", "Read me first.\r\n", 0).AddFolder("bin/");
    b.AddFile("bin/tool.dll", zipkit::RandomBytes(700, 7));
    b.comment = comment;
    return b.Build();
}

struct Image {
    std::string bytes;
    int64_t zip_end = 0;
    int64_t table_pos = 0;
};

// headers + archive + padding + table, the security entry naming the table when there is one.
Image Sign(const Pe& pe, const std::string& archive, const std::string& padding,
           const std::string& table) {
    Image im;
    im.bytes = pe.Build() + archive;
    im.zip_end = static_cast<int64_t>(im.bytes.size());
    im.bytes += padding;
    im.table_pos = static_cast<int64_t>(im.bytes.size());
    im.bytes += table;
    if (!table.empty()) {
        Put32(im.bytes, pe.SecurityPos(), static_cast<uint32_t>(im.table_pos));
        Put32(im.bytes, pe.SecurityPos() + 4, static_cast<uint32_t>(table.size()));
    }
    return im;
}

SignedImage Find(const std::string& bytes) {
    // An exact-size copy, so that a read past the end is one past the allocation.
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    MemorySource src(copy.data(), copy.size());
    return FindSignedImage(src);
}

// The entry names the directory reader lists, or "error N" where it stops.
std::vector<std::string> Names(zipformat::ByteSource& src) {
    zipformat::ZipDirectory dir;
    if (!dir.Open(&src)) return {"error " + std::to_string(dir.Error())};
    std::vector<std::string> out;
    zipformat::ZipEntry e;
    while (dir.Next(e)) out.push_back(e.name);
    if (dir.Error() != 0) out.push_back("error " + std::to_string(dir.Error()));
    return out;
}

// The file written to disk and opened as setup opens itself.
struct FileView {
    int64_t size = -1;   // FileSource's Size()
    int64_t whole = -1;  // with whole_file
    std::vector<std::string> names;
};
FileView ThroughFile(const std::string& bytes) {
    testutil::TempDir dir;
    const UString path = dir.File("setup.exe");
    EXPECT_TRUE(testutil::WriteFile(path, bytes));
    platform::FileStream f;
    FileView v;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) {
        ADD_FAILURE() << "cannot open the written file";
        return v;
    }
    zipformat::FileSource whole(f, true);
    v.whole = whole.Size();
    zipformat::FileSource src(f);
    v.size = src.Size();
    v.names = Names(src);
    return v;
}

}  // namespace

TEST(SignedImage, UnsignedFilesRunToTheEnd) {
    Pe pe32, pe64;
    pe64.plus = true;
    struct Case {
        const char* name;
        std::string bytes;
        const Pe* pe;  // the headers when a PE image
    } cases[] = {
        {"plain archive", Archive(), nullptr},
        {"PE32 + archive", pe32.Build() + Archive(), &pe32},
        {"PE32+ + archive", pe64.Build() + Archive(), &pe64},
        {"empty", "", nullptr},
        {"MZ alone", "MZ", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SignedImage r = Find(c.bytes);
        const int64_t size = static_cast<int64_t>(c.bytes.size());
        EXPECT_EQ(r.file_size, size);
        EXPECT_EQ(r.archive_end, size);
        EXPECT_FALSE(r.has_table);
        EXPECT_EQ(r.table_offset, 0);
        EXPECT_EQ(r.table_size, 0);
        EXPECT_EQ(r.checksum_pos, c.pe ? static_cast<int64_t>(c.pe->OptPos() + 64) : 0);
        EXPECT_EQ(r.security_entry_pos, c.pe ? static_cast<int64_t>(c.pe->SecurityPos()) : 0);
        if (size < 100) continue;
        const FileView v = ThroughFile(c.bytes);
        EXPECT_EQ(v.size, size);
        EXPECT_EQ(v.names, kNames);
    }
}

TEST(SignedImage, ArchiveEndsBeforeEveryPadding) {
    for (bool plus : {false, true}) {
        for (int pad = 0; pad <= 7; ++pad) {
            SCOPED_TRACE(std::string(plus ? "PE32+" : "PE32") + " padding " + std::to_string(pad));
            Pe pe;
            pe.plus = plus;
            const std::string table = Record(300 + pad);
            const Image im = Sign(pe, Archive(), std::string(pad, '\0'), table);
            const SignedImage r = Find(im.bytes);
            EXPECT_TRUE(r.has_table);
            EXPECT_EQ(r.archive_end, im.zip_end);
            EXPECT_EQ(r.table_offset, im.table_pos);
            EXPECT_EQ(r.table_size, static_cast<int64_t>(table.size()));
            EXPECT_EQ(r.file_size, static_cast<int64_t>(im.bytes.size()));
            EXPECT_EQ(r.checksum_pos, static_cast<int64_t>(pe.OptPos() + 64));
            EXPECT_EQ(r.security_entry_pos, static_cast<int64_t>(pe.SecurityPos()));
            const FileView v = ThroughFile(im.bytes);
            EXPECT_EQ(v.size, im.zip_end);
            EXPECT_EQ(v.whole, static_cast<int64_t>(im.bytes.size()));
            EXPECT_EQ(v.names, kNames);
        }
    }
}

// A signature removed again (security entry cleared, table dropped) leaves its padding: up to 7
// zero bytes after the archive are still padding; an eighth, any other byte, or zero bytes in a
// file without an empty security entry are not.
TEST(SignedImage, PaddingLeftByARemovedSignature) {
    Pe pe;
    for (int pad = 0; pad <= 7; ++pad) {
        SCOPED_TRACE("padding " + std::to_string(pad));
        const Image im = Sign(pe, Archive(), std::string(pad, '\0'), "");
        const SignedImage r = Find(im.bytes);
        EXPECT_FALSE(r.has_table);
        EXPECT_EQ(r.archive_end, im.zip_end);
        EXPECT_EQ(ThroughFile(im.bytes).names, kNames);
    }
    Pe few;
    few.dir_count = 4;
    const struct {
        const char* name;
        std::string bytes;
    } refused[] = {
        {"eight zero bytes", Sign(pe, Archive(), std::string(8, '\0'), "").bytes},
        {"a non-zero last byte", Sign(pe, Archive(), std::string(6, '\0') + "\x01", "").bytes},
        {"a non-zero first byte", Sign(pe, Archive(), "\x01" + std::string(6, '\0'), "").bytes},
        {"no PE image", Archive() + std::string(3, '\0')},
        {"no security entry", Sign(few, Archive(), std::string(3, '\0'), "").bytes},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Find(c.bytes).archive_end, static_cast<int64_t>(c.bytes.size()));
        EXPECT_EQ(ThroughFile(c.bytes).names, std::vector<std::string>{"error 10"});
    }
}

TEST(SignedImage, TablesOfOtherShapes) {
    struct Case {
        const char* name;
        std::string archive, table;
        uint32_t dir_count = 16;
        int opt_size = -1;
    } cases[] = {
        {"end record with a comment", Archive("Setup archive, version 2"), Record(300)},
        {"end record with the longest comment", Archive(std::string(0xFFFF, 'x')), Record(300)},
        {"X.509 record, then PKCS#7", Archive(), Record(100, 1) + Record(301)},
        {"two PKCS#7 records", Archive(), Record(260) + Record(13)},
        {"revision 1.0", Archive(), Record(300, 2, 0x0100)},
        {"last record without its padding", Archive(), Record(300) + Record(45, 2, 0x200, true)},
        {"five directory entries", Archive(), Record(300), 5},
        {"optional header ending with the security entry", Archive(), Record(300), 16,
         int(Pe().SecurityPos() + 8 - Pe().OptPos())},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Pe pe;
        pe.dir_count = c.dir_count;
        pe.opt_size = c.opt_size;
        const Image im = Sign(pe, c.archive, std::string(5, '\0'), c.table);
        const SignedImage r = Find(im.bytes);
        EXPECT_TRUE(r.has_table);
        EXPECT_EQ(r.table_size, static_cast<int64_t>(c.table.size()));
        EXPECT_EQ(r.archive_end, im.zip_end);
        const FileView v = ThroughFile(im.bytes);
        EXPECT_EQ(v.size, im.zip_end);
        EXPECT_EQ(v.names, kNames);
    }
}

TEST(SignedImage, AnythingElseReadsAsTheWholeFile) {
    Pe pe;
    const Image base = Sign(pe, Archive(), std::string(3, '\0'), Record(300));
    const size_t table = static_cast<size_t>(base.table_pos);
    const size_t sec = pe.SecurityPos();
    const size_t size = base.bytes.size();
    auto edit = [&](const std::function<void(std::string&)>& change) {
        std::string s = base.bytes;
        change(s);
        return s;
    };
    // A record in the DOS stub that runs to the end of the file: well-formed, but among the
    // headers.
    std::string in_headers = base.bytes;
    in_headers.replace(0x40, 8, Record(8));
    Put32(in_headers, 0x40, static_cast<uint32_t>(size - 0x40));
    Put32(in_headers, sec, 0x40);
    Put32(in_headers, sec + 4, static_cast<uint32_t>(size - 0x40));

    struct Case {
        const char* name;
        std::string bytes;
        bool has_table;
        bool pe = true;
    } cases[] = {
        {"bytes after the table", base.bytes + "appended", false},
        {"table stopping short of the end", edit([&](std::string& s) { Put32(s, sec + 4, 296); }),
         false},
        {"no archive before the table", Sign(pe, "", "", Record(300)).bytes, true},
        {"non-zero padding byte", edit([&](std::string& s) { s[table - 2] = 1; }), true},
        {"non-zero last padding byte", edit([&](std::string& s) { s[table - 1] = 1; }), true},
        {"eight padding bytes", Sign(pe, Archive(), std::string(8, '\0'), Record(300)).bytes, true},
        {"record shorter than its header", edit([&](std::string& s) { Put32(s, table, 4); }),
         false},
        {"record of length 0", edit([&](std::string& s) { Put32(s, table, 0); }), false},
        {"8-byte table, record of length 4",
         [&] {
             Image im = Sign(pe, Archive(), "", Record(8));
             Put32(im.bytes, static_cast<size_t>(im.table_pos), 4);
             return im.bytes;
         }(),
         false},
        {"record longer than the table", edit([&](std::string& s) { Put32(s, table, 305); }),
         false},
        {"revision 3.0", edit([&](std::string& s) { Put16(s, table + 4, 0x0300); }), false},
        {"revision 0", edit([&](std::string& s) { Put16(s, table + 4, 0); }), false},
        {"no PKCS#7 record", edit([&](std::string& s) { Put16(s, table + 6, 1); }), false},
        {"table smaller than a record header", Sign(pe, Archive(), "", std::string(4, '\0')).bytes,
         false},
        {"security entry at offset 0", edit([&](std::string& s) {
             Put32(s, sec, 0);
             Put32(s, sec + 4, uint32_t(size));
         }),
         false},
        {"table among the headers", in_headers, false},
        {"offset and size wrapping 32 bits", edit([&](std::string& s) {
             Put32(s, sec, 0xFFFFFFF8u);
             Put32(s, sec + 4, uint32_t(size + 8));
         }),
         false},
        {"security entry half outside the optional header",
         edit([&](std::string& s) { Put16(s, pe.lfanew + 20, uint16_t(sec + 4 - pe.OptPos())); }),
         false, false},
        {"four directory entries", edit([&](std::string& s) { Put32(s, pe.DirPos() - 4, 4); }),
         false, false},
        {"optional header magic 0x107", edit([&](std::string& s) { Put16(s, pe.OptPos(), 0x107); }),
         false, false},
        {"no PE signature", edit([&](std::string& s) { s[pe.lfanew + 1] = 'X'; }), false, false},
        {"e_lfanew past the end", edit([&](std::string& s) { Put32(s, 0x3C, uint32_t(size)); }),
         false, false},
        {"e_lfanew near 4 GiB", edit([](std::string& s) { Put32(s, 0x3C, 0xFFFFFFF0u); }), false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SignedImage r = Find(c.bytes);
        const int64_t n = static_cast<int64_t>(c.bytes.size());
        EXPECT_EQ(r.file_size, n);
        EXPECT_EQ(r.archive_end, n);
        EXPECT_EQ(r.has_table, c.has_table);
        if (!c.pe) {
            EXPECT_EQ(r.checksum_pos, 0);
            EXPECT_EQ(r.security_entry_pos, 0);
            EXPECT_EQ(r.table_offset, 0);
            EXPECT_EQ(r.table_size, 0);
        }
        EXPECT_EQ(ThroughFile(c.bytes).size, n);
    }
}

TEST(SignedImage, TableOverlappingTheArchiveLeavesItWhole) {
    // A stored entry whose data starts a certificate record running to the end of the file, the
    // security entry naming it: a well-formed table that holds the archive's own directory.
    const std::string head("\0\0\0\0\0\x02\x02\0", 8);
    auto build = [&](uint32_t len) {
        std::string cert = head + std::string(56, 'c');
        Put32(cert, 0, len);
        zipkit::ZipBuilder b;
        b.AddFile("readme.txt", "Read me first.\r\n", 0).AddFile("cert.bin", cert, 0);
        return Pe().Build() + b.Build();
    };
    const std::string first = build(0);
    const size_t pos = first.find(head + "cccc");
    ASSERT_NE(pos, std::string::npos);
    std::string bytes = build(static_cast<uint32_t>(first.size() - pos));
    ASSERT_EQ(bytes.size(), first.size());
    Put32(bytes, Pe().SecurityPos(), static_cast<uint32_t>(pos));
    Put32(bytes, Pe().SecurityPos() + 4, static_cast<uint32_t>(bytes.size() - pos));

    const SignedImage r = Find(bytes);
    EXPECT_TRUE(r.has_table);
    EXPECT_EQ(r.table_offset, static_cast<int64_t>(pos));
    EXPECT_EQ(r.archive_end, static_cast<int64_t>(bytes.size()));
    const FileView v = ThroughFile(bytes);
    EXPECT_EQ(v.size, static_cast<int64_t>(bytes.size()));
    EXPECT_EQ(v.names, (std::vector<std::string>{"readme.txt", "cert.bin"}));
}

TEST(SignedImage, CutShortAnywhere) {
    // Every prefix of a signed PE32+ image: the table no longer closes the file, and the headers
    // that are cut short are no PE image.
    Pe pe;
    pe.plus = true;
    const Image im = Sign(pe, Archive(), std::string(6, '\0'), Record(200));
    for (size_t n = 0; n <= im.bytes.size(); ++n) {
        SCOPED_TRACE("first " + std::to_string(n) + " bytes");
        const SignedImage r = Find(im.bytes.substr(0, n));
        const bool whole = n == im.bytes.size();
        EXPECT_EQ(r.archive_end, whole ? im.zip_end : static_cast<int64_t>(n));
        EXPECT_EQ(r.has_table, whole);
        if (n < pe.SecurityPos() + 8) {
            EXPECT_EQ(r.security_entry_pos, 0);
        }
        if (testing::Test::HasFailure()) break;
    }
}
