#include <gtest/gtest.h>

#include <string>

#include "platform/resources.h"
#include "tests/unit/lz77_testutil.h"
#include "tests/unit/testutil.h"
#include "zip/ZMExpandLZ77.h"

namespace {

using lz77test::PackLiterals;

struct Result {
    int code;
    std::string out;
};

Result Expand(const std::string& stream, int64_t limit, uint32_t max_size = 0xFFFFFFFFu) {
    Result r;
    TZMMemoryInStream in(stream.data(), stream.size());
    TZMStringOutStream out(r.out);
    r.code = ExpandLz77(out, in, limit, max_size);
    return r;
}

Result Expand(const std::string& stream) {
    return Expand(stream, static_cast<int64_t>(stream.size()));
}

std::string Header(uint32_t size) {
    std::string s;
    lz77test::Put32(s, size);
    return s;
}

TEST(Lz77, LiteralStreamsExpandToTheirInput) {
    for (std::string data : {std::string(), std::string("x"), std::string("12345678"),
                             std::string("123456789"), std::string(1000, '\0') + "tail"}) {
        Result r = Expand(PackLiterals(data));
        EXPECT_EQ(r.code, kLz77Ok) << "length " << data.size();
        EXPECT_EQ(r.out, data) << "length " << data.size();
    }
}

TEST(Lz77, MatchesNameWindowPositionsNotDistances) {
    // 0xF0 0xF0 at the start: window position 0xFF0, still zeros, three bytes.
    Result zeros = Expand(Header(3) + std::string("\x00\xF0\xF0", 3));
    EXPECT_EQ(zeros.code, kLz77Ok);
    EXPECT_EQ(zeros.out, std::string(3, '\0'));

    // "abc" lands at 0xFF0..0xFF2; a 6-byte match from 0xFF0 overlaps its own output.
    Result overlap = Expand(Header(9) + std::string("\x07"
                                                    "abc"
                                                    "\xF0\xF3",
                                                    6));
    EXPECT_EQ(overlap.code, kLz77Ok);
    EXPECT_EQ(overlap.out, "abcabcabc");

    // Any window position is valid: position 5 has never been written, so it reads zeros.
    Result far = Expand(Header(5) + std::string("\x03"
                                                "ab"
                                                "\x05\x00",
                                                5));
    EXPECT_EQ(far.code, kLz77Ok);
    EXPECT_EQ(far.out, std::string("ab\0\0\0", 5));
}

TEST(Lz77, WritesAndMatchesWrapAroundTheWindow) {
    // 18 literals fill 0xFF0..0xFFF and wrap to 0 and 1; a match at 0xFFE reads across the end.
    std::string lits = "ABCDEFGHIJKLMNOPQR";
    std::string s = Header(22);
    s += '\xFF';
    s += lits.substr(0, 8);
    s += '\xFF';
    s += lits.substr(8, 8);
    s += '\x03';  // two literals, then a match
    s += lits.substr(16, 2);
    s += std::string("\xFE\xF1", 2);  // position 0xFFE, 4 bytes
    Result r = Expand(s);
    EXPECT_EQ(r.code, kLz77Ok);
    EXPECT_EQ(r.out, lits + "OPQR");
}

TEST(Lz77, SizeAndLimitRules) {
    std::string data = "hello, world";
    // One byte short or long of what the header says: -2.
    EXPECT_EQ(Expand(PackLiterals(data, data.size() + 1)).code, kLz77SizeMismatch);
    Result longer = Expand(PackLiterals(data, data.size() - 1));
    EXPECT_EQ(longer.code, kLz77SizeMismatch);
    EXPECT_EQ(longer.out, data.substr(0, data.size() - 1)) << "nothing past the declared size";

    std::string stream = PackLiterals(data);
    // A limit beyond the data: the source ends first.
    EXPECT_EQ(Expand(stream, static_cast<int64_t>(stream.size()) + 1).code, kLz77InputEnded);
    // A negative limit means "unbounded", which always ends at the source's end.
    Result unbounded = Expand(stream, -1);
    EXPECT_EQ(unbounded.code, kLz77InputEnded);
    EXPECT_EQ(unbounded.out, data);
    // A limit that stops short leaves the output short.
    EXPECT_EQ(Expand(stream, static_cast<int64_t>(stream.size()) - 1).code, kLz77SizeMismatch);
    // A match cut after its first byte, or a header cut short.
    std::string cut = Header(3) + std::string("\x00\xF0", 2);
    EXPECT_EQ(Expand(cut, static_cast<int64_t>(cut.size()) + 1).code, kLz77InputEnded);
    EXPECT_EQ(Expand(std::string("\x01\x00", 2), 100).code, kLz77InputEnded);
}

TEST(Lz77, HostileStreamsStayBounded) {
    // A huge declared size with no data allocates nothing and reports the mismatch.
    Result huge = Expand(Header(0xFFFFFFFFu) +
                         "\x01"
                         "a");
    EXPECT_EQ(huge.code, kLz77SizeMismatch);
    EXPECT_EQ(huge.out, "a");

    // Above the caller's cap: refused before anything is written.
    Result capped = Expand(PackLiterals(std::string(100, 'x')), 105, 99);
    EXPECT_EQ(capped.code, kLz77SizeMismatch);
    EXPECT_TRUE(capped.out.empty());

    // Matches expanding far beyond the header: output stops at the declared size.
    std::string bomb = Header(10);
    for (int g = 0; g < 100; ++g)
        bomb += std::string(
            "\x00"
            "\xF0\xFF\xF0\xFF\xF0\xFF\xF0\xFF"
            "\xF0\xFF\xF0\xFF\xF0\xFF\xF0\xFF",
            17);
    Result b = Expand(bomb);
    EXPECT_EQ(b.code, kLz77SizeMismatch);
    EXPECT_EQ(b.out.size(), 10u);
}

class FailingSink : public TZMOutStream {
  public:
    bool Write(const void*, size_t) override { return false; }
};

TEST(Lz77, DestinationsReceiveEveryByte) {
    FailingSink sink;
    std::string stream = PackLiterals("data");
    TZMMemoryInStream in(stream.data(), stream.size());
    EXPECT_EQ(ExpandLz77(sink, in, static_cast<int64_t>(stream.size())), kLz77WriteFailed);

    testutil::TempDir dir;
    std::string data(20000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + i / 300);
    std::string big = PackLiterals(data);
    {
        platform::FileStream f;
        ASSERT_TRUE(f.Open(dir.File("out.bin"), platform::FileStream::Mode::CreateNew));
        TZMFileOutStream out(f);
        TZMMemoryInStream src(big.data(), big.size());
        EXPECT_EQ(ExpandLz77(out, src, static_cast<int64_t>(big.size())), kLz77Ok);
        EXPECT_EQ(src.Position(), big.size());
    }
    EXPECT_EQ(testutil::ReadFile(dir.File("out.bin")), data);
}

// The build-time packer (tools/lz77pack) against this expander, on a file it packed.
TEST(Lz77, PackerOutputExpandsExactly) {
    platform::RcData plain, packed;
    ASSERT_TRUE(platform::FindRcData("LZSAMPLEPLAIN", plain));
    ASSERT_TRUE(platform::FindRcData("LZSAMPLEPACKED", packed));
    std::string stream(reinterpret_cast<const char*>(packed.data), packed.size);
    Result r = Expand(stream);
    EXPECT_EQ(r.code, kLz77Ok);
    EXPECT_EQ(r.out, std::string(reinterpret_cast<const char*>(plain.data), plain.size));
    EXPECT_LT(packed.size, plain.size * 3 / 4) << "the packer should find matches";
}

}  // namespace
