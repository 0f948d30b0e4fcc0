// Branded packages: zmpack create and brand give the real i686 and x86-64 stubs a publisher's
// icon, version record and wizard picture. Read back by zmpack's own PE reader and by icoutils,
// the image must stay the stub's apart from its resources, the container must follow unchanged,
// the package must verify and sign; bad input is refused with what is wrong.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/process.h"
#include "tests/unit/signkit.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zmpackrun.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/iconfile.h"
#include "tools/zmpack/peimage.h"
#include "tools/zmpack/resourcetree.h"
#include "tools/zmpack/versionrecord.h"

using namespace zmpack;

namespace {

void Put16(std::string& d, uint32_t v) {
    d += static_cast<char>(v & 0xFF);
    d += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& d, uint32_t v) {
    Put16(d, v & 0xFFFF);
    Put16(d, v >> 16);
}

// A 32-bit bitmap icon image of size x size in one colour, with its mask.
std::string IconBitmap(int size, uint8_t shade) {
    std::string d;
    Put32(d, 40), Put32(d, size), Put32(d, 2 * size), Put16(d, 1), Put16(d, 32);
    Put32(d, 0), Put32(d, 0), Put32(d, 0), Put32(d, 0), Put32(d, 0), Put32(d, 0);
    for (int i = 0; i < size * size; ++i)
        d += std::string{char(shade), char(40), char(90), char(255)};
    d += std::string(static_cast<size_t>(((size + 31) / 32) * 4 * size), '\0');
    return d;
}

std::string IcoFile(const std::vector<std::string>& images, const std::vector<int>& sizes) {
    std::string d;
    Put16(d, 0), Put16(d, 1), Put16(d, static_cast<uint32_t>(images.size()));
    uint32_t at = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        d += static_cast<char>(sizes[i]), d += static_cast<char>(sizes[i]), d += '\0', d += '\0';
        Put16(d, 1), Put16(d, 32), Put32(d, static_cast<uint32_t>(images[i].size())), Put32(d, at);
        at += static_cast<uint32_t>(images[i].size());
    }
    for (const std::string& img : images) d += img;
    return d;
}

std::string Bmp(int w, int h) {
    const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
    std::string d = "BM";
    Put32(d, 54 + stride * h), Put32(d, 0), Put32(d, 54);
    Put32(d, 40), Put32(d, w), Put32(d, h), Put16(d, 1), Put16(d, 24);
    Put32(d, 0), Put32(d, stride * h), Put32(d, 2835), Put32(d, 2835), Put32(d, 0), Put32(d, 0);
    for (int y = 0; y < h; ++y)
        for (uint32_t x = 0; x < stride; ++x) d += static_cast<char>((x * 7 + y) & 0xFF);
    return d;
}

std::string Shell(const std::string& cmd) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
    return out;
}

struct Image {
    PeImage pe;
    ResourceTree tree;
    std::string section;
};

// The program part of a package (or a stub) read back by zmpack's own reader.
void ReadImage(const std::string& file, int64_t end, Image& img) {
    std::string error;
    ASSERT_TRUE(img.pe.Parse(file.substr(0, static_cast<size_t>(end)), error)) << error;
    uint32_t rva = 0;
    ASSERT_TRUE(img.pe.ResourceSection(img.section, rva, error)) << error;
    ASSERT_TRUE(img.tree.Read(img.section, rva, error)) << error;
}

const std::string& Data(const ResourceTree& t, uint16_t type, const ResourceId& name) {
    static const std::string none;
    const Resource* r = t.Find(ResourceId::Number(type), name);
    return r != nullptr ? r->data : none;
}

class ZmpackBrandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"1700000000");
        ASSERT_TRUE(platform::ForceDirectories(dir.File("src")));
        ASSERT_TRUE(testutil::WriteFile(dir.File("src/readme.txt"), std::string(3000, 'r')));
        images = {IconBitmap(16, 10), IconBitmap(32, 20), IconBitmap(48, 30)};
        ASSERT_TRUE(testutil::WriteFile(dir.File("brand.ico"), IcoFile(images, {16, 32, 48})));
        ASSERT_TRUE(testutil::WriteFile(dir.File("side.bmp"), Bmp(163, 314)));
    }
    void TearDown() override {
        platform::SetEnvironmentText("SOURCE_DATE_EPOCH", u"", true);
        CaptureOutput(nullptr, nullptr);
    }

    std::string P(const std::string& name) { return platform::WideToUtf8(dir.File(name)); }

    int Run(int (*cmd)(const std::vector<UString>&), std::vector<std::string> args) {
        return zmpackrun::Run(cmd, args, out, err);
    }

    std::vector<std::string> Branding() {
        return {"--icon",         P("brand.ico"),
                "--picture",      P("side.bmp"),
                "--version-info", "ProductName=Démo Продукт",
                "--version-info", "CompanyName=Acme",
                "--version-info", "FileVersion=3.1.4",
                "--version-info", "Comments="};
    }

    // The stub of one width, or an empty string (the test is skipped) when it is not built.
    std::string Stub(const char* variable) {
        UString path;
        if (platform::GetEnvironmentText(variable, path) && platform::FileExists(path))
            return platform::WideToUtf8(path);
        UString required;
        if (platform::GetEnvironmentText("ZM_REQUIRE_STUBS", required) && !required.empty())
            ADD_FAILURE() << variable << " names no stub: " << platform::WideToUtf8(path);
        return std::string();
    }

    testutil::TempDir dir;
    std::vector<std::string> images;
    std::string out, err;
};

TEST_F(ZmpackBrandTest, BrandsBothStubsAsWindowsAndIcoutilsReadThem) {
    int tested = 0;
    for (const char* variable : {"ZM_STUB32", "ZM_STUB64"}) {
        const std::string stub = Stub(variable);
        if (stub.empty()) continue;
        SCOPED_TRACE(stub);
        ++tested;
        std::vector<std::string> plain_args = {"-o", P("plain.exe"), "--stub", stub, P("src")};
        ASSERT_EQ(0, Run(CmdCreate, plain_args)) << err;
        std::vector<std::string> args = {"-o", P("branded.exe"), "--stub", stub};
        for (const std::string& a : Branding()) args.push_back(a);
        args.push_back(P("src"));
        ASSERT_EQ(0, Run(CmdCreate, args)) << err;
        // brand on the plain package gives the same bytes as branding at creation.
        std::vector<std::string> brand_args = Branding();
        brand_args.insert(brand_args.end(), {"-o", P("rebranded.exe"), P("plain.exe")});
        ASSERT_EQ(0, Run(CmdBrand, brand_args)) << err;
        const std::string branded = testutil::ReadFile(dir.File("branded.exe"));
        EXPECT_EQ(branded, testutil::ReadFile(dir.File("rebranded.exe")));
        EXPECT_EQ(0, Run(CmdVerify, {P("branded.exe")})) << out << err;

        // The container follows the new image at a 512-byte boundary, byte for byte the plain
        // package's.
        const std::string plain = testutil::ReadFile(dir.File("plain.exe"));
        TZMContainerFile c_plain, c_branded;
        ASSERT_TRUE(c_plain.Open(dir.File("plain.exe")));
        ASSERT_TRUE(c_branded.Open(dir.File("branded.exe")));
        EXPECT_EQ(0, c_branded.HeaderOffset % 512);
        EXPECT_EQ(plain.substr(static_cast<size_t>(c_plain.HeaderOffset)),
                  branded.substr(static_cast<size_t>(c_branded.HeaderOffset)));

        Image before, after;
        ReadImage(testutil::ReadFile(platform::Utf8ToWide(stub)), c_plain.HeaderOffset, before);
        ReadImage(branded, c_branded.HeaderOffset, after);
        // Every section but the resources holds the stub's bytes; the relocations moved whole.
        const auto& s0 = before.pe.Sections();
        const auto& s1 = after.pe.Sections();
        ASSERT_EQ(s0.size(), s1.size());
        for (size_t i = 0; i < s0.size(); ++i) {
            if (s0[i].name == ".rsrc") continue;
            EXPECT_EQ(plain.substr(s0[i].raw_offset, s0[i].raw_size),
                      branded.substr(s1[i].raw_offset, s1[i].raw_size))
                << s0[i].name;
            if (s0[i].name == ".reloc") {
                EXPECT_EQ(after.pe.DirectoryRva(PeImage::kRelocationDirectory), s1[i].rva);
            }
        }
        EXPECT_EQ(PeChecksum(branded, after.pe.ChecksumOffset()), after.pe.Checksum());

        // The resources: the new icon group and images, the picture, the version record; the
        // engine copy and the manifest as they were.
        const std::string group = Data(after.tree, rt::kGroupIcon, ResourceId::Number(1));
        const std::vector<uint16_t> ids = IconGroupIds(group);
        ASSERT_EQ(3u, ids.size());
        for (size_t i = 0; i < ids.size(); ++i)
            EXPECT_EQ(images[i], Data(after.tree, rt::kIcon, ResourceId::Number(ids[i])));
        size_t icons = 0;
        for (const Resource& r : after.tree.Entries())
            icons += r.type == ResourceId::Number(rt::kIcon);
        EXPECT_EQ(3u, icons) << "the stub's own icon images are gone";
        EXPECT_EQ(testutil::ReadFile(dir.File("side.bmp")),
                  Data(after.tree, rt::kRcData, ResourceId::Text(u"WIZARDBITMAP")));
        for (const char16_t* kept : {u"ZERESDLL19"})
            EXPECT_EQ(Data(before.tree, rt::kRcData, ResourceId::Text(kept)),
                      Data(after.tree, rt::kRcData, ResourceId::Text(kept)));
        EXPECT_EQ(Data(before.tree, 24, ResourceId::Number(1)),
                  Data(after.tree, 24, ResourceId::Number(1)));
        VersionRecord v;
        std::string error;
        ASSERT_TRUE(v.Read(Data(after.tree, rt::kVersion, ResourceId::Number(1)), error)) << error;
        EXPECT_EQ(u"Démo Продукт", v.String(u"ProductName"));
        EXPECT_EQ(u"Acme", v.String(u"CompanyName"));
        EXPECT_EQ(u"3.1.4", v.String(u"FileVersion"));
        EXPECT_EQ(u"3.1.4", v.String(u"ProductVersion")) << "one version stands for both";
        EXPECT_EQ(u"", v.String(u"Comments"));
        EXPECT_EQ(u"setup.exe", v.String(u"OriginalFilename")) << "a string not given stays";
        uint16_t fv[4], pv[4];
        v.FileVersion(fv), v.ProductVersion(pv);
        EXPECT_EQ((std::vector<uint16_t>{3, 1, 4, 0}), std::vector<uint16_t>(fv, fv + 4));
        EXPECT_EQ((std::vector<uint16_t>{3, 1, 4, 0}), std::vector<uint16_t>(pv, pv + 4));

        // Debian's readers agree.
        const std::string q = "'" + P("branded.exe") + "'";
        EXPECT_NE(std::string::npos,
                  Shell("wrestool -l " + q).find("--type=10 --name='WIZARDBITMAP'"));
        EXPECT_EQ(
            "--icon --index=1 --width=16 --height=16 --bit-depth=32 --palette-size=0\n"
            "--icon --index=2 --width=32 --height=32 --bit-depth=32 --palette-size=0\n"
            "--icon --index=3 --width=48 --height=48 --bit-depth=32 --palette-size=0\n",
            Shell("wrestool -x --type=group_icon " + q + " | icotool -l -"));
        const std::string raw_version = Shell("wrestool -x --raw --type=16 " + q);
        EXPECT_NE(std::string::npos, raw_version.find(std::string("A\0c\0m\0e\0", 8)));
        // Signing afterwards works, and the signed package verifies.
        std::remove(P("signed.exe").c_str()), std::remove(P("signed-stub.exe").c_str());
        ASSERT_TRUE(signkit::MakeCertificate(P("c.pem"), P("k.pem"), "Acme"));
        EXPECT_TRUE(
            signkit::Sign(P("branded.exe"), P("signed.exe"), P("c.pem"), P("k.pem"), "sha256"));
        const std::string verify = "osslsigncode verify -CAfile '" + P("c.pem") + "' -in '" +
                                   P("signed.exe") + "' >/dev/null 2>&1";
        EXPECT_EQ(0, std::system(verify.c_str()));
        EXPECT_EQ(0, Run(CmdVerify, {P("signed.exe")})) << out << err;
        // Branding comes before signing: a signed package or stub is refused, untouched.
        EXPECT_EQ(1, Run(CmdBrand, {"--icon", P("brand.ico"), P("signed.exe")}));
        EXPECT_NE(std::string::npos, err.find("brand the unsigned package, then sign it")) << err;
        ASSERT_TRUE(signkit::Sign(stub, P("signed-stub.exe"), P("c.pem"), P("k.pem"), "sha256"));
        EXPECT_EQ(1, Run(CmdCreate, {"-o", P("x.exe"), "--stub", P("signed-stub.exe"), "--icon",
                                     P("brand.ico"), P("src")}));
        EXPECT_NE(std::string::npos, err.find("then sign the package")) << err;
        EXPECT_FALSE(platform::FileExists(dir.File("x.exe")));
    }
    if (tested == 0) GTEST_SKIP() << "no Windows stub is built";
}

TEST_F(ZmpackBrandTest, BadInputIsRefusedWithWhatIsWrong) {
    ASSERT_TRUE(testutil::WriteFile(dir.File("small.bmp"), Bmp(100, 50)));
    ASSERT_TRUE(testutil::WriteFile(dir.File("junk.ico"), "not an icon at all"));
    std::string cut = IcoFile({IconBitmap(16, 1)}, {16});
    cut.resize(cut.size() - 10);
    ASSERT_TRUE(testutil::WriteFile(dir.File("cut.ico"), cut));
    ASSERT_TRUE(testutil::WriteFile(dir.File("png.bmp"), "\x89PNG\r\n\x1a\n...."));
    struct Case {
        std::vector<std::string> options;
        int status;
        const char* message;
    } cases[] = {
        {{"--version-info", "FileVersion=1.2.x"}, 2, "takes dotted numbers"},
        {{"--version-info", "ProductVersion=1.2.3.4.5"}, 2, "got '1.2.3.4.5'"},
        {{"--version-info", "FileVersion=70000"}, 2, "up to 65535"},
        {{"--version-info", "Colour=blue"}, 2, "KEY one of ProductName"},
        {{"--version-info", "CompanyName=A", "--version-info", "CompanyName=B"}, 2, "twice"},
        {{"--picture", "small.bmp"}, 1, "is 100 x 50 pixels; the wizard's picture is 163 x 314"},
        {{"--picture", "png.bmp"}, 1, "is not an uncompressed bitmap"},
        {{"--icon", "junk.ico"}, 1, "not an icon file"},
        {{"--icon", "cut.ico"}, 1, "image 1 lies outside the file"},
        {{"--icon", "missing.ico"}, 1, "cannot open"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"-o", P("out.exe"), "--stub", "none"};
        std::vector<std::string> brand;
        for (const std::string& o : c.options)
            brand.push_back(
                o.find(".ico") != std::string::npos || o.find(".bmp") != std::string::npos ? P(o)
                                                                                           : o);
        args.insert(args.end(), brand.begin(), brand.end());
        args.push_back(P("src"));
        EXPECT_EQ(c.status, Run(CmdCreate, args)) << c.message;
        EXPECT_NE(std::string::npos, err.find(c.message)) << err;
        brand.push_back(P("out.exe"));
        EXPECT_EQ(c.status, Run(CmdBrand, brand)) << c.message;
        EXPECT_NE(std::string::npos, err.find(c.message)) << err;
    }
    EXPECT_FALSE(platform::FileExists(dir.File("out.exe")));
    // Branding needs a stub; brand needs something to change and a package.
    EXPECT_EQ(2, Run(CmdCreate,
                     {"-o", P("out.exe"), "--stub", "none", "--icon", P("brand.ico"), P("src")}));
    EXPECT_NE(std::string::npos, err.find("they need one")) << err;
    ASSERT_EQ(0, Run(CmdCreate, {"-o", P("bare.pkg"), "--stub", "none", P("src")}));
    EXPECT_EQ(2, Run(CmdBrand, {P("bare.pkg")}));
    EXPECT_EQ(1, Run(CmdBrand, {"--icon", P("brand.ico"), P("bare.pkg")}));
    EXPECT_NE(std::string::npos, err.find("not a Windows program")) << err;
}

// A resource directory that does not hold together is refused, never followed out of bounds:
// a table pointing at itself, counts past the end, data outside the section.
TEST(ResourceTreeTest, DamagedDirectoriesAreRefused) {
    auto table = [](uint16_t ids, std::vector<std::pair<uint32_t, uint32_t>> entries) {
        std::string t(12, '\0');
        Put16(t, 0), Put16(t, ids);
        for (auto& e : entries) Put32(t, e.first), Put32(t, e.second);
        return t;
    };
    const uint32_t sub = 0x80000000u;
    std::string error;
    ResourceTree tree;
    EXPECT_FALSE(tree.Read(table(1, {{3, sub | 0}}), 0x1000, error)) << "a table inside itself";
    EXPECT_FALSE(tree.Read(table(500, {{3, sub | 0}}), 0x1000, error)) << "entries past the end";
    EXPECT_FALSE(tree.Read(table(1, {{sub | 0xFFFF, sub | 16}}), 0x1000, error)) << "a name";
    // type 3 -> name 1 -> language 0 -> a data entry whose data lies past the section.
    std::string s = table(1, {{3, sub | 24}}) + table(1, {{1, sub | 48}}) + table(1, {{0, 72}});
    Put32(s, 0x1000 + 88), Put32(s, 64), Put32(s, 0), Put32(s, 0);
    EXPECT_FALSE(tree.Read(s, 0x1000, error));
    EXPECT_NE(std::string::npos, error.find("lies outside the resource section")) << error;
    s.append(64, 'x');
    ASSERT_TRUE(tree.Read(s, 0x1000, error)) << error;
    ASSERT_EQ(1u, tree.Entries().size());
    EXPECT_EQ(std::string(64, 'x'), tree.Entries()[0].data);
    // What it writes reads back the same.
    ResourceTree again;
    ASSERT_TRUE(again.Read(tree.Write(0x5000), 0x5000, error)) << error;
    EXPECT_EQ(tree.Entries()[0].data, again.Entries()[0].data);
}

}  // namespace
