#include <gtest/gtest.h>

#include <string>

#include "package/ZMContainerFile.h"
#include "package/ZMContainerWriter.h"
#include "tests/unit/testutil.h"

namespace {

uint32_t LE32(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
    return v;
}

class ContainerWriterTest : public ::testing::Test {
  protected:
    testutil::TempDir dir_;
    UString out_ = dir_.File("setup.exe");
    TZMContainerWriter w_;
};

TEST_F(ContainerWriterTest, RoundTripThroughTheReader) {
    const std::string host(1000, 'H');
    std::string lpk = "<lpk/>", big(300000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 31);
    ASSERT_TRUE(w_.Begin(out_, host)) << w_.Error();
    ASSERT_TRUE(w_.AddBlock("zip", "PK-in-memory", true, false, 15, 0)) << w_.Error();
    ASSERT_TRUE(w_.AddBlock("config", "a=1", true, true, 0, 0x6B)) << w_.Error();
    ASSERT_TRUE(w_.AddBlock("lpk", lpk, false, true, 1, 0x00)) << w_.Error();
    ASSERT_TRUE(w_.AddBlock("big", big, true, false, 3, 0x11)) << w_.Error();
    ASSERT_TRUE(w_.AddBlock("nodata", "", false, false, 0, 0)) << w_.Error();
    ASSERT_TRUE(w_.Finish()) << w_.Error();

    const std::string bytes = testutil::ReadFile(out_);
    EXPECT_EQ(bytes.substr(0, 1000), host);
    EXPECT_EQ(bytes.substr(1000, 24), std::string(24, '\0')) << "padding to 1024";
    EXPECT_EQ(bytes.substr(1024, 8), std::string("ZMCF\1\0\0\0", 8));
    EXPECT_EQ(bytes.find("config"), std::string::npos) << "names are always scrambled";
    EXPECT_EQ(bytes.substr(bytes.size() - 12), "PK-in-memory") << "zip block comes last";

    TZMContainerFile c;
    ASSERT_TRUE(c.Open(out_));
    EXPECT_EQ(c.Version, 1);
    ASSERT_EQ(c.Blocks.size(), 4u);
    EXPECT_EQ(c.Blocks[0]->BlockName, "config");
    EXPECT_EQ(c.Blocks[3]->BlockName, "zip");
    EXPECT_EQ(c.Blocks[3]->Kind, 15);
    EXPECT_FALSE(c.Blocks[3]->Scrambled);
    EXPECT_TRUE(c.Blocks[0]->Scrambled);
    EXPECT_EQ(c.Blocks[0]->XorKey, 0x6B);
    EXPECT_EQ(c.Blocks[1]->Kind, 1);
    EXPECT_EQ(c.ReadBlock("config"), "a=1");
    EXPECT_EQ(c.ReadBlock("lpk"), lpk);
    EXPECT_EQ(c.ReadBlock("big"), big);
    for (const char* name : {"config", "big", "zip"}) {
        EXPECT_TRUE(c.VerifyBlock(name, true, nullptr)) << name;
    }
}

TEST_F(ContainerWriterTest, StreamsFileDataAndPatchesItsChecksum) {
    std::string payload(3 * 1024 * 1024 + 17, '\0');
    for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i ^ (i >> 11));
    const UString zip = dir_.File("payload.zip");
    ASSERT_TRUE(testutil::WriteFile(zip, payload));
    ASSERT_TRUE(w_.Begin(out_, std::string(512, 'H')));
    ASSERT_TRUE(w_.AddBlockFromFile("zip", zip, true, 15, 0x33));
    ASSERT_TRUE(w_.AddBlockFromFile("extra", zip, true, 2, 0x44));
    ASSERT_TRUE(w_.Finish()) << w_.Error();

    TZMContainerFile c;
    ASSERT_TRUE(c.Open(out_));
    ASSERT_EQ(c.Blocks.size(), 2u);
    EXPECT_EQ(c.Blocks[0]->BlockName, "extra");
    EXPECT_EQ(c.Blocks[1]->BlockName, "zip");
    EXPECT_EQ(c.Blocks[1]->DataOffset + c.Blocks[1]->DataSize, platform::FileSize(out_));
    EXPECT_NE(c.Blocks[1]->Crc32, 0u);
    EXPECT_TRUE(c.VerifyBlock("zip", true, nullptr));
    EXPECT_TRUE(c.VerifyBlock("extra", true, nullptr));
    EXPECT_EQ(c.ReadBlock("zip"), payload);

    // The checksum in the record is the one of the plain data, at record offset 12.
    const std::string bytes = testutil::ReadFile(out_);
    EXPECT_EQ(LE32(bytes, static_cast<size_t>(c.Blocks[1]->Offset) + 12), c.Blocks[1]->Crc32);
}

TEST_F(ContainerWriterTest, RefusesWhatWouldMakeABrokenPackage) {
    ASSERT_TRUE(w_.Begin(out_, "host"));
    EXPECT_FALSE(w_.AddBlock("zip", "data", true, true, 15, 7));
    EXPECT_NE(w_.Error().find("zip"), std::string::npos);
    EXPECT_FALSE(w_.Finish()) << "a failed step fails the package";
    EXPECT_FALSE(platform::FileExists(out_)) << "no partial package is left";

    TZMContainerWriter w2;
    ASSERT_TRUE(w2.Begin(out_, "host"));
    EXPECT_FALSE(w2.AddBlock(std::string(70000, 'n'), "x", false, false, 0, 0));
    TZMContainerWriter w3;
    ASSERT_TRUE(w3.Begin(out_, "host"));
    ASSERT_TRUE(w3.AddBlock("zip", "a", true, false, 15, 0));
    EXPECT_FALSE(w3.AddBlockFromFile("zip", dir_.File("payload.zip"), true, 15, 0));
    TZMContainerWriter w4;
    ASSERT_TRUE(w4.Begin(out_, "host"));
    ASSERT_TRUE(w4.AddBlockFromFile("zip", dir_.File("absent.zip"), true, 15, 0));
    EXPECT_FALSE(w4.Finish());
    EXPECT_NE(w4.Error().find("absent.zip"), std::string::npos) << w4.Error();
    EXPECT_FALSE(platform::FileExists(out_));

    TZMContainerWriter w5;
    EXPECT_FALSE(w5.AddBlock("config", "a=1", true, true, 0, 1)) << "AddBlock before Begin";
    EXPECT_FALSE(w5.Begin(dir_.File("no/such/folder/setup.exe"), "host"));
    {
        TZMContainerWriter dropped;
        ASSERT_TRUE(dropped.Begin(out_, "host"));
        ASSERT_TRUE(dropped.AddBlock("config", "a=1", true, true, 0, 1));
    }
    EXPECT_FALSE(platform::FileExists(out_)) << "a writer dropped before Finish cleans up";
}

}  // namespace
