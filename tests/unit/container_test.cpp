#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/crc32.h"
#include "package/ZMContainerFile.h"
#include "tests/unit/testutil.h"

namespace {

// Raw container bytes, laid out by hand so that the reader meets layouts no writer would make.
std::string LE(uint64_t v, int bytes) {
    std::string s;
    for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
    return s;
}

std::string Header(uint8_t version = 1, const char reserved[3] = "\0\0") {
    return std::string("ZMCF") + static_cast<char>(version) + std::string(reserved, 3);
}

uint32_t Crc(const std::string& d) {
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(d.data()), static_cast<uInt>(d.size())));
}

struct Rec {
    std::string name;
    std::string data;
    uint8_t flags = 0;
    uint8_t key = 0;
    int64_t size_override = 0;  // non-zero: store this record size instead of the true one
    int64_t crc_override = -1;
};

std::string Record(const Rec& r) {
    std::string name = r.name, data = r.data;
    for (auto& c : name) c = static_cast<char>(c ^ r.key);
    if (r.flags & 2)
        for (auto& c : data) c = static_cast<char>(c ^ r.key);
    int64_t size =
        r.size_override ? r.size_override : 8 + static_cast<int64_t>(name.size() + data.size());
    uint32_t crc = r.crc_override >= 0 ? static_cast<uint32_t>(r.crc_override) : Crc(r.data);
    return "ZBL" + std::string(1, '\0') + LE(static_cast<uint64_t>(size), 8) + LE(crc, 4) +
           static_cast<char>(r.flags) + static_cast<char>(r.key) + LE(name.size(), 2) + name + data;
}

std::string Pad(size_t size) { return std::string(size, 'M'); }

class ContainerTest : public ::testing::Test {
  protected:
    // Writes the bytes and opens them.
    bool OpenBytes(const std::string& bytes) {
        path_ = dir_.File("host.exe");
        EXPECT_TRUE(testutil::WriteFile(path_, bytes));
        return c_.Open(path_);
    }
    std::vector<AnsiString> Names() const {
        std::vector<AnsiString> n;
        for (const auto& b : c_.Blocks) n.push_back(b->BlockName);
        return n;
    }
    testutil::TempDir dir_;
    UString path_;
    TZMContainerFile c_;
};

TEST(Crc32, MatchesTheTableAndZlib) {
    const uint32_t* t = Crc32Table();
    EXPECT_EQ(t[0], 0u);
    EXPECT_EQ(t[1], 0x77073096u);
    EXPECT_EQ(t[255], 0x2D02EF8Du);
    const std::string s = "123456789";
    EXPECT_EQ(Crc32Update(0, s.data(), s.size()), 0xCBF43926u);
    EXPECT_EQ(Crc32Update(0, s.data(), s.size()),
              crc32(0, reinterpret_cast<const Bytef*>(s.data()), static_cast<uInt>(s.size())));
    // Split updates chain; and the table step agrees byte for byte.
    uint32_t crc = Crc32Update(0, s.data(), 4);
    crc = Crc32Update(crc, s.data() + 4, 5);
    uint32_t by_table = 0xFFFFFFFFu;
    for (unsigned char b : s) by_table = t[(by_table ^ b) & 0xFF] ^ (by_table >> 8);
    EXPECT_EQ(crc, ~by_table);
    EXPECT_EQ(Crc32Update(0x12345678u, nullptr, 0), 0x12345678u) << "nothing added";
    EXPECT_EQ(Crc32Update(0, nullptr, 0), 0u) << "the CRC-32 of nothing";
}

TEST_F(ContainerTest, HeaderIsSearchedAtMultiplesOf512UpTo8MiB) {
    const std::string chain = Record({"config", "a=1"});
    ASSERT_TRUE(OpenBytes(Pad(0x800000) + Header() + chain)) << "header at 0x800000";
    EXPECT_EQ(Names(), std::vector<AnsiString>{"config"});
    EXPECT_EQ(c_.FileName, path_);
    EXPECT_FALSE(OpenBytes(Pad(0x800200) + Header() + chain)) << "header at 0x800200";
    EXPECT_TRUE(c_.Blocks.empty());
    EXPECT_TRUE(c_.FileName.empty());
    EXPECT_FALSE(OpenBytes(Pad(100) + Header() + chain)) << "header off the 512 grid";
    ASSERT_TRUE(OpenBytes(Header(7) + chain)) << "header at offset 0, any version";
    EXPECT_EQ(c_.Version, 7);
    EXPECT_FALSE(OpenBytes("")) << "empty file";
    EXPECT_FALSE(OpenBytes("ZMCF")) << "header cut short";
    EXPECT_FALSE(c_.Open(dir_.File("absent.exe")));
}

TEST_F(ContainerTest, StrayOrDamagedHeadersArePassedOver) {
    const std::string good = Header(2) + Record({"config", "x"});
    // Non-zero reserved bytes, then a header followed by no record, then one whose first record
    // has no data: each is skipped and the search goes on 512 bytes further.
    std::string bytes = Header(1, "\0\0\1");
    bytes += Pad(512 - bytes.size()) + Header(1, "\1\0\0");
    bytes += Pad(1024 - bytes.size()) + Header() + "not a record";
    bytes += Pad(1536 - bytes.size()) + Header() + Record({"empty", ""});
    bytes += Pad(2048 - bytes.size()) + good;
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(c_.Version, 2);
    EXPECT_EQ(Names(), std::vector<AnsiString>{"config"});
    EXPECT_EQ(c_.Blocks[0]->Offset, 2048 + 8);
}

TEST_F(ContainerTest, ChainRulesAndBlockFields) {
    std::string bytes = Header();
    bytes += Record({"nodata", ""});
    bytes += Record({"config", "plain", 0x01, 0x00});
    bytes += Record({"lpk", "scrambled", 0x12, 0xA5});  // kind 1, Scrambled
    bytes += Record({"config", "second with same name"});
    bytes += Record({"odd", "z", 0xF7, 0xFF});  // every flag, kind 15
    bytes += "trailing bytes that are no record";
    ASSERT_TRUE(OpenBytes(bytes));
    ASSERT_EQ(Names(), (std::vector<AnsiString>{"config", "lpk", "config", "odd"}));
    EXPECT_EQ(c_.IndexOfBlock("config"), 0) << "first of two equal names wins";
    EXPECT_EQ(c_.IndexOfBlock("CONFIG"), -1) << "names are case-sensitive";
    EXPECT_EQ(c_.IndexOfBlock("nodata"), -1);
    EXPECT_EQ(c_.ReadBlock("config"), "plain");
    EXPECT_EQ(c_.ReadBlock("lpk"), "scrambled");
    EXPECT_EQ(c_.ReadBlock("missing"), "");

    const TZMArchiveBlock& cfg = *c_.Blocks[0];
    EXPECT_TRUE(cfg.CheckCrc);
    EXPECT_FALSE(cfg.Scrambled);
    EXPECT_EQ(cfg.XorKey, 0);
    EXPECT_EQ(cfg.NameLength, 6u);
    EXPECT_EQ(cfg.Offset, 8 + 20 + 6);
    EXPECT_EQ(cfg.DataOffset, cfg.Offset + 20 + 6);
    EXPECT_EQ(cfg.DataSize, 5);
    EXPECT_EQ(cfg.Size, 8 + 6 + 5);
    EXPECT_EQ(cfg.Crc32, Crc("plain"));
    const TZMArchiveBlock& lpk = *c_.Blocks[1];
    EXPECT_EQ(lpk.Kind, 1);
    EXPECT_TRUE(lpk.Scrambled);
    EXPECT_FALSE(lpk.CheckCrc);
    EXPECT_EQ(lpk.XorKey, 0xA5);
    const TZMArchiveBlock& odd = *c_.Blocks[3];
    EXPECT_EQ(odd.Kind, 15);
    EXPECT_TRUE(odd.ThirdFlag && odd.CheckCrc && odd.Scrambled);
}

TEST_F(ContainerTest, HostileSizesEndTheChainWithoutHarm) {
    // A negative size ends the chain (it would walk backwards).
    std::string bytes =
        Header() + Record({"a", "1"}) + Record({"neg", "xx", 0, 0, -40}) + Record({"b", "2"});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(Names(), std::vector<AnsiString>{"a"});

    // A size whose next position does not fit in 64 bits ends the chain; the block is kept but
    // reads as missing, without allocating what it claims.
    bytes = Header() + Record({"a", "1"}) + Record({"huge", "xx", 1, 0, INT64_MAX - 5}) +
            Record({"b", "2"});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(Names(), (std::vector<AnsiString>{"a", "huge"}));
    EXPECT_EQ(c_.ReadBlock("huge"), "");
    EXPECT_FALSE(c_.VerifyBlock("huge", true, nullptr));

    bytes = Header() + Record({"big", "xx", 1, 0, int64_t(1) << 62});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(c_.ReadBlock("big"), "") << "a 2^62-byte claim must not be allocated";
    EXPECT_FALSE(c_.VerifyBlock("big", true, nullptr));

    // A nameless record of size 8 holds no data: skipped, and the chain goes on after it.
    bytes = Header() + Record({"", "", 0, 0, 8}) + Record({"c", "3"});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_EQ(Names(), std::vector<AnsiString>{"c"});

    // A record header cut short by the end of the file fails the open; fewer bytes than the
    // magic (the padding a removed signature leaves) end the chain.
    EXPECT_FALSE(OpenBytes(Header() + Record({"a", "1"}) + std::string("ZBL\0\x10", 5)));
    for (size_t tail = 1; tail <= 3; ++tail) {
        ASSERT_TRUE(OpenBytes(Header() + Record({"a", "1"}) + std::string(tail, '\0'))) << tail;
        EXPECT_EQ(Names(), std::vector<AnsiString>{"a"});
    }
}

TEST_F(ContainerTest, BlockCutShortReadsAsMissingAndFailsTheCheck) {
    std::string rec = Record({"zip", std::string(1000, 'z'), 0x01});
    ASSERT_TRUE(OpenBytes(Header() + rec.substr(0, rec.size() - 1)));
    EXPECT_EQ(c_.Blocks[0]->DataSize, 1000);
    EXPECT_EQ(c_.ReadBlock("zip"), "");
    int calls = 0;
    EXPECT_FALSE(c_.VerifyBlock("zip", true, [&](int, bool&) { ++calls; }));
    EXPECT_EQ(calls, 0);
    // Without CheckCrc the block is not read at all, so the check passes.
    rec = Record({"zip", std::string(1000, 'z'), 0x00});
    ASSERT_TRUE(OpenBytes(Header() + rec.substr(0, rec.size() - 1)));
    EXPECT_TRUE(c_.VerifyBlock("zip", true, nullptr));
}

TEST_F(ContainerTest, VerifyChecksPlainBytesOfScrambledData) {
    std::string bytes = Header() + Record({"good", "payload", 0x03, 0x5C}) +
                        Record({"bad", "payload", 0x03, 0x5C, 0, Crc("payload") ^ 1}) +
                        Record({"unchecked", "payload", 0x02, 0x5C, 0, 0});
    ASSERT_TRUE(OpenBytes(bytes));
    EXPECT_TRUE(c_.VerifyBlock("good", true, nullptr));
    EXPECT_FALSE(c_.VerifyBlock("bad", true, nullptr));
    EXPECT_TRUE(c_.VerifyBlock("unchecked", true, nullptr));
    EXPECT_TRUE(c_.VerifyBlock("absent", true, nullptr));
}

class PacedVerify : public ContainerTest {
  protected:
    void SetUp() override {
        TZMContainerFile::SetSleepHook([this](unsigned ms) { sleeps_.push_back(ms); });
    }
    void TearDown() override { TZMContainerFile::SetSleepHook(nullptr); }
    std::vector<unsigned> sleeps_;
};

TEST_F(PacedVerify, FiveMillionBytesReportEachPercentOnceAndPause) {
    std::string data(5000000, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7 + (i >> 9));
    ASSERT_TRUE(OpenBytes(Header() + Record({"zip", data, 0xF1})));
    EXPECT_EQ(TZMContainerFile::ChunkSize(5000000), 50000);
    std::vector<int> percents;
    EXPECT_TRUE(c_.VerifyBlock("zip", false, [&](int p, bool&) { percents.push_back(p); }));
    std::vector<int> expected;
    for (int p = 2; p <= 100; ++p) expected.push_back(p);
    EXPECT_EQ(percents, expected);
    EXPECT_EQ(sleeps_, std::vector<unsigned>(99, 200u));

    // Fast mode never pauses and reports the same.
    sleeps_.clear();
    percents.clear();
    EXPECT_TRUE(c_.VerifyBlock("zip", true, [&](int p, bool&) { percents.push_back(p); }));
    EXPECT_EQ(percents, expected);
    EXPECT_TRUE(sleeps_.empty());
}

TEST_F(PacedVerify, AbortStopsAndCountsAsPassed) {
    std::string data(100000, 'q');
    // A wrong stored CRC: an aborted check must still answer true.
    ASSERT_TRUE(OpenBytes(Header() + Record({"zip", data, 0x01, 0, 0, 0})));
    std::vector<int> percents;
    EXPECT_TRUE(c_.VerifyBlock("zip", false, [&](int p, bool& abort) {
        percents.push_back(p);
        abort = p >= 5;
    }));
    EXPECT_EQ(percents, (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(sleeps_.size(), 4u) << "the pause still follows the report that aborts";
    EXPECT_FALSE(c_.VerifyBlock("zip", true, nullptr));
}

TEST_F(PacedVerify, FortyByteBlockReportsOnlyHundred) {
    ASSERT_TRUE(OpenBytes(Header() + Record({"zip", std::string(40, 'k'), 0x01})));
    std::vector<int> percents;
    EXPECT_TRUE(c_.VerifyBlock("zip", false, [&](int p, bool&) { percents.push_back(p); }));
    EXPECT_EQ(percents, std::vector<int>{100});
    EXPECT_EQ(sleeps_, std::vector<unsigned>{200});
}

TEST(PacingRules, DelayAndChunkFollowTheBlockSize) {
    EXPECT_EQ(TZMContainerFile::StepDelayMs(9999999, false), 200u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(10000000, false), 100u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(49999999, false), 100u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(50000000, false), 50u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(99999999, false), 50u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(100000000, false), 0u);
    EXPECT_EQ(TZMContainerFile::StepDelayMs(40, true), 0u);
    EXPECT_EQ(TZMContainerFile::ChunkSize(40), 64);
    EXPECT_EQ(TZMContainerFile::ChunkSize(10050), 100) << "half rounds to even";
    EXPECT_EQ(TZMContainerFile::ChunkSize(10150), 102) << "half rounds to even";
    EXPECT_EQ(TZMContainerFile::ChunkSize(10151), 102);
    EXPECT_EQ(TZMContainerFile::ChunkSize(int64_t(1) << 40), 65536);
}

}  // namespace
