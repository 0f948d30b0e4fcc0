// Signed packages through zmpack and osslsigncode: signing at creation and afterwards, nested
// signatures, a signature removed (its padding left behind) and made again; each opens, verifies
// and extracts whole, and a changed byte or bytes appended after the signature never pass.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "package/ZMArchiveFile.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"
#include "tests/unit/signkit.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zmpackrun.h"
#include "tools/zmpack/commands.h"

using namespace zmpack;

namespace {

class ZmpackSignTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"1700000000");
        ASSERT_EQ(0, std::system("command -v osslsigncode >/dev/null"))
            << "osslsigncode is not installed (scripts/install-deps installs it)";
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src/docs")));
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/readme.txt"), std::string(5000, 'r')));
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/docs/guide.txt"), "a guide"));
        ASSERT_TRUE(testutil::WriteFile(dir.File("stub.exe"), signkit::MiniProgram()));
        for (const std::string who : {"signer", "other"})
            ASSERT_TRUE(signkit::MakeCertificate(P(who + ".pem"), P(who + ".key"), who)) << who;
    }
    void TearDown() override {
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"", true);
        CaptureOutput(nullptr, nullptr);
    }

    std::string P(const std::string& name) { return platform::WideToUtf8(dir.File(name)); }

    // Runs a command in-process; its output in out and err.
    int Run(int (*cmd)(const std::vector<UString>&), std::vector<std::string> args) {
        return zmpackrun::Run(cmd, args, out, err);
    }
    int Create(const std::string& pkg, bool sign) {
        std::vector<std::string> a = {"-o", P(pkg), "--stub", P("stub.exe"), "--title", "Demo"};
        if (sign)
            a.insert(a.end(), {"--sign-cert", P("signer.pem"), "--sign-key", P("signer.key")});
        a.push_back(P("src"));
        return Run(CmdCreate, a);
    }
    // The "signature" object of info --json, as its text without white space.
    std::string SignatureJson(const std::string& pkg) {
        Run(CmdInfo, {"--json", P(pkg)});
        std::string compact;
        bool in_string = false;
        for (size_t i = 0; i < out.size(); ++i) {
            const char c = out[i];
            if (c == '"' && (i == 0 || out[i - 1] != '\\')) in_string = !in_string;
            if (in_string || (c != ' ' && c != '\n' && c != '\r')) compact += c;
        }
        const size_t at = compact.find("\"signature\":");
        return at == std::string::npos ? out : compact.substr(at, compact.find('}', at) - at + 1);
    }
    // Verifies, extracts, and compares with the sources.
    void ExpectSoundAndWhole(const std::string& pkg) {
        SCOPED_TRACE(pkg);
        EXPECT_EQ(0, Run(CmdVerify, {P(pkg)})) << out << err;
        EXPECT_NE(std::string::npos, out.find("signature: ")) << out;
        const std::string dest = P(pkg + ".out");
        ASSERT_EQ(0, Run(CmdExtract, {"-d", dest, P(pkg)})) << out << err;
        EXPECT_EQ(std::string(5000, 'r'), testutil::ReadFile(dir.File(pkg + ".out/readme.txt")));
        EXPECT_EQ("a guide", testutil::ReadFile(dir.File(pkg + ".out/docs/guide.txt")));
    }
    int Tool(const std::string& args) {
        return std::system(("osslsigncode " + args + " >/dev/null 2>&1").c_str());
    }

    testutil::TempDir dir;
    std::string out, err;
};

}  // namespace

TEST_F(ZmpackSignTest, SignedAtCreationTheSameBytesEachTimeAndEverythingStillWorks) {
    ASSERT_EQ(0, Create("a.exe", true)) << err;
    ASSERT_EQ(0, Create("b.exe", true)) << err;
    const std::string a = testutil::ReadFile(dir.File("a.exe"));
    EXPECT_EQ(a, testutil::ReadFile(dir.File("b.exe"))) << "same inputs, key and time";
    EXPECT_EQ(
        "\"signature\":{\"present\":true,\"digest_ok\":true,\"algorithm\":\"sha256\","
        "\"signer\":\"O=Test Publisher, CN=signer\",\"count\":1}",
        SignatureJson("a.exe"));
    ExpectSoundAndWhole("a.exe");
    EXPECT_EQ(0, Run(CmdVerify, {"--ca", P("signer.pem"), P("a.exe")})) << err;
    EXPECT_EQ(1, Run(CmdVerify, {"--ca", P("other.pem"), P("a.exe")}));
    EXPECT_NE(std::string::npos, err.find("signature")) << err;
    // The tool's own check agrees with ours.
    EXPECT_EQ(0, Tool("verify -CAfile " + P("signer.pem") + " " + P("a.exe")));

    ASSERT_EQ(0, Create("plain.exe", false));
    EXPECT_EQ("\"signature\":{\"present\":false}", SignatureJson("plain.exe"));
    EXPECT_EQ(0, Run(CmdVerify, {P("plain.exe")}));
    EXPECT_EQ(1, Run(CmdVerify, {"--ca", P("signer.pem"), P("plain.exe")})) << "not signed";
}

TEST_F(ZmpackSignTest, SignedAfterPackingNestedAndSignedAgain) {
    ASSERT_EQ(0, Create("pkg.exe", false));
    ASSERT_EQ(0, Run(CmdSign, {"--sign-cert", P("signer.pem"), "--sign-key", P("signer.key"), "-o",
                               P("signed.exe"), P("pkg.exe")}))
        << err;
    ExpectSoundAndWhole("signed.exe");

    // SHA-1 outside, SHA-256 nested in it.
    ASSERT_EQ(0, Tool("sign -certs " + P("signer.pem") + " -key " + P("signer.key") +
                      " -h sha1 -in " + P("pkg.exe") + " -out " + P("sha1.exe")));
    ASSERT_EQ(0, Tool("sign -nest -certs " + P("signer.pem") + " -key " + P("signer.key") +
                      " -h sha256 -in " + P("sha1.exe") + " -out " + P("nested.exe")));
    EXPECT_NE(std::string::npos, SignatureJson("nested.exe").find("\"algorithm\":\"sha1\","))
        << out;
    EXPECT_NE(std::string::npos, SignatureJson("nested.exe").find("\"count\":2")) << out;
    ExpectSoundAndWhole("nested.exe");
    EXPECT_EQ(0, Run(CmdVerify, {"--ca", P("signer.pem"), P("nested.exe")})) << err;

    ASSERT_EQ(0, Tool("remove-signature -in " + P("signed.exe") + " -out " + P("removed.exe")));
    ASSERT_EQ(0, Run(CmdSign, {"--sign-cert", P("other.pem"), "--sign-key", P("other.key"),
                               P("removed.exe")}))
        << "in place: " << err;
    EXPECT_NE(std::string::npos, SignatureJson("removed.exe").find("CN=other")) << out;
    ExpectSoundAndWhole("removed.exe");
}

// Removing a signature keeps the zero bytes signing padded with: such a package opens as an
// unsigned one, for the installer's package object and zmpack alike, while an eighth zero byte
// or any other byte after the archive is refused.
TEST_F(ZmpackSignTest, ARemovedSignatureLeavesAnUnsignedPackage) {
    // A package whose size is no multiple of 8, so that signing pads it.
    std::string plain;
    for (int extra = 0; extra < 8 && plain.size() % 8 == 0; ++extra) {
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/pad.txt"), std::string(extra, 'p')));
        ASSERT_EQ(0, Create("pkg.exe", false)) << err;
        plain = testutil::ReadFile(dir.File("pkg.exe"));
    }
    ASSERT_NE(0u, plain.size() % 8);
    ASSERT_EQ(0, Tool("sign -certs " + P("signer.pem") + " -key " + P("signer.key") +
                      " -h sha256 -in " + P("pkg.exe") + " -out " + P("signed.exe")));
    ASSERT_EQ(0, Tool("remove-signature -in " + P("signed.exe") + " -out " + P("removed.exe")));
    const std::string removed = testutil::ReadFile(dir.File("removed.exe"));
    ASSERT_EQ(plain.size() + (8 - plain.size() % 8), removed.size());
    EXPECT_EQ(std::string(removed.size() - plain.size(), '\0'), removed.substr(plain.size()));

    const auto opens = [&](const std::string& name) {
        TZMArchiveFile installer;
        return installer.Open(dir.File(name), false);
    };
    EXPECT_TRUE(opens("removed.exe"));
    EXPECT_EQ("\"signature\":{\"present\":false}", SignatureJson("removed.exe"));
    EXPECT_NE(std::string::npos, out.find("\"opens\": true")) << out;
    ExpectSoundAndWhole("removed.exe");
    EXPECT_EQ(0, Run(CmdList, {P("removed.exe")})) << err;

    std::string other = removed;
    other.back() = '\x01';
    for (const auto& [name, bytes] : {std::make_pair("eight.exe", plain + std::string(8, '\0')),
                                      std::make_pair("other.exe", other)}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(testutil::WriteFile(dir.File(name), bytes));
        EXPECT_FALSE(opens(name));
        EXPECT_EQ(1, Run(CmdVerify, {P(name)}));
        EXPECT_NE(std::string::npos, err.find("no end of central directory record")) << err;
    }
}

TEST_F(ZmpackSignTest, AChangedByteOrBytesAfterTheSignatureNeverPass) {
    ASSERT_EQ(0, Create("a.exe", true));
    const std::string signed_bytes = testutil::ReadFile(dir.File("a.exe"));
    // A byte of the language pack, a block no CRC guards.
    Run(CmdInfo, {"--json", P("a.exe")});
    const size_t lpk = out.find("\"name\": \"lpk\"");
    ASSERT_NE(std::string::npos, lpk) << out;
    const size_t at = out.find("\"data_offset\": ", lpk);
    const size_t offset = std::strtoul(out.c_str() + at + 15, nullptr, 10);
    std::string changed = signed_bytes;
    changed[offset + 10] ^= 1;
    ASSERT_TRUE(testutil::WriteFile(dir.File("lpk.exe"), changed));
    EXPECT_EQ(1, Run(CmdVerify, {P("lpk.exe")}));
    EXPECT_NE(std::string::npos, err.find("does not match its sha256 signature")) << err;
    EXPECT_NE(std::string::npos, SignatureJson("lpk.exe").find("\"digest_ok\":false"));

    ASSERT_TRUE(testutil::WriteFile(dir.File("tail.exe"), signed_bytes + "appended"));
    EXPECT_EQ(1, Run(CmdVerify, {P("tail.exe")}));
    EXPECT_EQ(std::string::npos, SignatureJson("tail.exe").find("\"digest_ok\":true")) << out;
}

TEST_F(ZmpackSignTest, SigningNeedsCertificateKeyAndTool) {
    EXPECT_EQ(2, Run(CmdCreate, {"-o", P("x.exe"), "--stub", P("stub.exe"), "--sign-cert",
                                 P("signer.pem"), P("src")}));
    EXPECT_NE(std::string::npos, err.find("both --sign-cert and --sign-key")) << err;
    EXPECT_EQ(2, Run(CmdSign, {P("stub.exe")}));
    EXPECT_EQ(1, Run(CmdSign, {"--sign-cert", P("signer.pem"), "--sign-key", P("signer.key"),
                               P("stub.exe")}))
        << "not a package";
    UString path;
    platform::GetEnvironmentText("PATH", path);
    platform::SetEnvironmentText("PATH", u"/nonexistent");
    const int rc = Create("x.exe", true);
    platform::SetEnvironmentText("PATH", path);
    EXPECT_EQ(1, rc);
    EXPECT_NE(std::string::npos, err.find("needs osslsigncode")) << err;
    EXPECT_FALSE(platform::FileExists(dir.File("x.exe"))) << "nothing half-made is left";
}
