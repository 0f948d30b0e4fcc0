// The contents check of a signed package: the file's Authenticode digest, recomputed in the same
// paced pass as the "zip" block's CRC, against each signature (here SHA-1 with a nested SHA-256
// one, by osslsigncode). Changes no CRC guards fail it when signed and pass as before unsigned.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "package/ZMArchiveFile.h"
#include "package/ZMContainerWriter.h"
#include "platform/codepage.h"
#include "tests/unit/signkit.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace {

using testutil::ReadFile;
using testutil::WriteFile;

class SignedSelfCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        TZMContainerFile::SetSleepHook([this](unsigned ms) { sleeps.push_back(ms); });
        ASSERT_TRUE(signkit::MakeCertificate(P("cert.pem"), P("key.pem"), "Self Check"));
        ASSERT_NO_FATAL_FAILURE(Build("plain.exe", "signed.exe", true));
        plain = ReadFile(dir.File("plain.exe"));
        signed_bytes = ReadFile(dir.File("signed.exe"));
        ASSERT_GT(signed_bytes.size(), plain.size() + 1000) << "two signatures appended";
        TZMContainerFile c;
        ASSERT_TRUE(c.Open(dir.File("signed.exe")));
        for (const char* name : {"config", "lpk"})
            offset[name] = static_cast<size_t>(c.Blocks[c.IndexOfBlock(name)]->DataOffset);
    }
    // A stub, a checked and scrambled "config", an unchecked "lpk", a 600 kB "zip"; signed with
    // SHA-1, then SHA-256 nested.
    void Build(const std::string& plain_name, const std::string& signed_name, bool zip_crc) {
        zipkit::ZipBuilder b;
        b.AddFile("big.bin", zipkit::RandomBytes(600000, 7), 0);
        TZMContainerWriter w;
        ASSERT_TRUE(w.Begin(dir.File(plain_name), signkit::MiniProgram()));
        ASSERT_TRUE(w.AddBlock("config",
                               "<?xml version=\"1.0\"?><config><archive_id>1</archive_id>"
                               "<archive_name>Signed</archive_name></config>",
                               true, true, 0, 0x5A));
        ASSERT_TRUE(w.AddBlock("lpk", std::string(4000, 'L'), false, true, 1, 0x33));
        ASSERT_TRUE(w.AddBlock("zip", b.Build(), zip_crc, false, 15, 0));
        ASSERT_TRUE(w.Finish());
        const std::string cert = P("cert.pem"), key = P("key.pem");
        ASSERT_TRUE(signkit::Sign(P(plain_name), P(plain_name + ".1"), cert, key, "sha1"));
        ASSERT_TRUE(signkit::Sign(P(plain_name + ".1"), P(signed_name), cert, key, "sha256", true));
    }
    void TearDown() override { TZMContainerFile::SetSleepHook(nullptr); }

    std::string P(const std::string& name) { return platform::WideToUtf8(dir.File(name)); }
    // The contents check of these bytes, as the installer runs it on its own file.
    bool Check(const std::string& bytes, const ProgressCallback& progress = nullptr) {
        const UString path = dir.File("check.exe");
        TZMArchiveFile f;
        return WriteFile(path, bytes) && f.Open(path, false) && f.VerifyZip(true, progress);
    }
    static std::string Changed(std::string bytes, size_t at) {
        bytes[at] ^= 0x01;
        return bytes;
    }

    testutil::TempDir dir;
    std::vector<unsigned> sleeps;
    std::string plain, signed_bytes;
    std::map<std::string, size_t> offset;
};

TEST_F(SignedSelfCheck, OnePassOneProgressAndCancelAsBefore) {
    TZMArchiveFile f;
    ASSERT_TRUE(f.Open(dir.File("signed.exe"), false));
    std::vector<int> percents;
    EXPECT_TRUE(f.VerifyZip(false, [&](int p, bool&) { percents.push_back(p); }));
    ASSERT_FALSE(percents.empty());
    for (size_t i = 1; i < percents.size(); ++i) EXPECT_EQ(percents[i - 1] + 1, percents[i]);
    EXPECT_LE(percents.front(), 2);
    EXPECT_EQ(100, percents.back());
    EXPECT_EQ(std::vector<unsigned>(percents.size(), 200), sleeps) << "one paced pass";

    int calls = 0;
    EXPECT_TRUE(f.VerifyZip(true, [&](int, bool& abort) { abort = ++calls == 3; }));
    EXPECT_EQ(3, calls) << "Cancel ends the check at once, without a failure";
}

// A zip block not marked for checking leaves the digest's own pass over the file, with the same
// progress.
TEST_F(SignedSelfCheck, WithoutTheZipCrcTheDigestPassCarriesTheProgress) {
    ASSERT_NO_FATAL_FAILURE(Build("unchecked.exe", "unchecked-signed.exe", false));
    const std::string bytes = ReadFile(dir.File("unchecked-signed.exe"));
    std::vector<int> percents;
    EXPECT_TRUE(Check(bytes, [&](int p, bool&) { percents.push_back(p); }));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(100, percents.back());
    for (size_t i = 1; i < percents.size(); ++i) EXPECT_LT(percents[i - 1], percents[i]);
    EXPECT_FALSE(Check(Changed(bytes, offset["lpk"] + 10)));
    EXPECT_FALSE(Check(Changed(bytes, bytes.size() - 5000))) << "a byte of the archive";
    int calls = 0;
    EXPECT_TRUE(Check(Changed(bytes, offset["lpk"] + 10), [&](int, bool& abort) {
        abort = ++calls == 2;
    })) << "cancelled before the end: not a failure";
}

TEST_F(SignedSelfCheck, AChangeNoCrcGuardsFailsOnlyWhenSigned) {
    EXPECT_TRUE(Check(signed_bytes));
    for (const char* block : {"lpk", "config"}) {
        SCOPED_TRACE(block);
        EXPECT_FALSE(Check(Changed(signed_bytes, offset[block] + 10)));
        EXPECT_TRUE(Check(Changed(plain, offset[block] + 10))) << "unsigned: checked as before";
    }
    // A byte of the stub is covered too; the checksum field is not (signing rewrites it).
    EXPECT_FALSE(Check(Changed(signed_bytes, 0x210)));
    const size_t checksum = 0x58 + 64;
    EXPECT_TRUE(Check(Changed(signed_bytes, checksum)));
    EXPECT_TRUE(Check(Changed(plain, 0x210)));
}

TEST_F(SignedSelfCheck, ATableThatDoesNotReadOrNamesAnUnknownDigestFails) {
    const size_t table = plain.size() + ((8 - plain.size() % 8) % 8);
    ASSERT_EQ(0x30, static_cast<unsigned char>(signed_bytes[table + 8])) << "a DER sequence";
    std::string unreadable = signed_bytes;
    unreadable[table + 8] = 0x31;
    EXPECT_FALSE(Check(unreadable));

    // SHA-256's object identifier ends in 1; 2.16.840.1.101.3.4.2.9 names no digest we know.
    const std::string sha256("\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x01", 11);
    std::string unknown = signed_bytes;
    size_t n = 0;
    for (size_t at = unknown.find(sha256, table); at != std::string::npos;
         at = unknown.find(sha256, at + 1), ++n)
        unknown[at + 10] = 0x09;
    ASSERT_GT(n, 0u);
    EXPECT_FALSE(Check(unknown));

    // A security entry that names bytes past the end.
    std::string past = signed_bytes;
    const size_t table_size_field = 0x58 + 96 + 4 * 8 + 4;
    past[table_size_field + 2] = 0x7F;
    EXPECT_FALSE(Check(past));
}

}  // namespace
