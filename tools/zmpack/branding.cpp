#include "tools/zmpack/branding.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/peimage.h"
#include "tools/zmpack/resourcetree.h"
#include "tools/zmpack/versionrecord.h"
#include "ui/bitmap.h"

namespace zmpack {
namespace {

constexpr int64_t kMaxIconFile = 4 << 20;
constexpr int64_t kMaxPictureFile = 1 << 20;
constexpr size_t kMaxValue = 256;
const char16_t kPictureName[] = u"WIZARDBITMAP";
const char* const kKeys[] = {"ProductName",      "ProductVersion",  "FileVersion",
                             "CompanyName",      "FileDescription", "LegalCopyright",
                             "OriginalFilename", "Comments",        "InternalName",
                             "LegalTrademarks",  "PrivateBuild",    "SpecialBuild"};

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

bool KnownKey(const std::string& key) {
    return std::any_of(std::begin(kKeys), std::end(kKeys), [&](const char* k) { return key == k; });
}

std::string KeyList() {
    std::string s;
    for (const char* k : kKeys) s += (s.empty() ? "" : ", ") + std::string(k);
    return s;
}

// The icon group the program's window and Explorer show (number 1, else the first) gives way to
// the new images; its icons go with it unless another group lists them.
void ReplaceIcon(ResourceTree& tree, const std::vector<IconImage>& images) {
    const ResourceId group_type = ResourceId::Number(rt::kGroupIcon);
    const ResourceId icon_type = ResourceId::Number(rt::kIcon);
    Resource* group = tree.Find(group_type, ResourceId::Number(1));
    for (Resource& r : tree.Entries())
        if (group == nullptr && r.type == group_type) group = &r;
    Resource g;
    g.type = group_type;
    g.name = group != nullptr ? group->name : ResourceId::Number(1);
    g.language = group != nullptr ? group->language : 0x409;
    const std::vector<uint16_t> old_ids =
        group != nullptr ? IconGroupIds(group->data) : std::vector<uint16_t>();
    tree.Remove(group_type, g.name);
    std::vector<uint16_t> still_listed;
    for (const Resource& r : tree.Entries())
        if (r.type == group_type)
            for (uint16_t id : IconGroupIds(r.data)) still_listed.push_back(id);
    for (uint16_t id : old_ids)
        if (std::find(still_listed.begin(), still_listed.end(), id) == still_listed.end())
            tree.Remove(icon_type, ResourceId::Number(id));
    uint16_t first = 1;
    for (const Resource& r : tree.Entries())
        if (r.type == icon_type && !r.name.IsText() && r.name.number >= first)
            first = static_cast<uint16_t>(r.name.number + 1);
    for (size_t i = 0; i < images.size(); ++i) {
        Resource icon;
        icon.type = icon_type;
        icon.name = ResourceId::Number(static_cast<uint16_t>(first + i));
        icon.language = g.language;
        icon.data = images[i].data;
        tree.Put(std::move(icon));
    }
    g.data = MakeIconGroup(images, first);
    tree.Put(std::move(g));
}

bool ReplaceVersion(ResourceTree& tree, const Branding& b, std::string& error) {
    Resource* res = tree.Find(ResourceId::Number(rt::kVersion), ResourceId::Number(1));
    if (res == nullptr) {
        error = "the stub has no version record to change";
        return false;
    }
    VersionRecord record;
    if (!record.Read(res->data, error)) return false;
    const std::u16string* file_version = nullptr;
    const std::u16string* product_version = nullptr;
    for (const auto& kv : b.strings) {
        record.SetString(kv.first, kv.second);
        if (kv.first == u"FileVersion") file_version = &kv.second;
        if (kv.first == u"ProductVersion") product_version = &kv.second;
    }
    // One version given stands for both: the stub's own would misname the publisher's product.
    if (file_version == nullptr) file_version = product_version;
    if (product_version == nullptr) product_version = file_version;
    uint16_t parts[4];
    if (file_version != nullptr) {
        ParseDottedVersion(*file_version, parts);
        record.SetFileVersion(parts);
        record.SetString(u"FileVersion", *file_version);
    }
    if (product_version != nullptr) {
        ParseDottedVersion(*product_version, parts);
        record.SetProductVersion(parts);
        record.SetString(u"ProductVersion", *product_version);
    }
    res->data = record.Write();
    return true;
}

}  // namespace

const std::vector<OptionSpec> kBrandSpecs = {
    {"icon", 0, true, false},
    {"version-info", 0, true, true},
    {"picture", 0, true, false},
};

const char* const kBrandHelp =
    "  --icon FILE.ico          the installer's icon (every size in the file), shown by\n"
    "                           Explorer and the window\n"
    "  --version-info KEY=VALUE a string of the installer's version record (repeatable):\n"
    "                           ProductName, ProductVersion, FileVersion, CompanyName,\n"
    "                           FileDescription, LegalCopyright, OriginalFilename,\n"
    "                           Comments, InternalName, LegalTrademarks, PrivateBuild,\n"
    "                           SpecialBuild; FileVersion and ProductVersion are dotted\n"
    "                           numbers (1.2.3.4) and set the version numbers too; one of\n"
    "                           them given alone sets both\n"
    "  --picture FILE.bmp       the wizard's side picture, 163 x 314 pixels, an uncompressed\n"
    "                           bitmap (1, 4, 8, 24 or 32 bits per pixel)\n";

int ReadBranding(const TOptions& o, Branding& b, std::string& error) {
    b = Branding();
    for (const UString& kv : o.Values("version-info")) {
        const size_t eq = kv.find(u'=');
        const std::string key = U8(kv.substr(0, eq));
        if (eq == UString::npos || !KnownKey(key)) {
            error = "--version-info takes KEY=VALUE with KEY one of " + KeyList() + "; got '" +
                    U8(kv) + "'";
            return kExitUsage;
        }
        const std::u16string value = kv.substr(eq + 1);
        if (value.size() > kMaxValue) {
            error = "--version-info " + key + " is longer than " + std::to_string(kMaxValue) +
                    " characters";
            return kExitUsage;
        }
        uint16_t parts[4];
        if ((key == "FileVersion" || key == "ProductVersion") &&
            !ParseDottedVersion(value, parts)) {
            error = "--version-info " + key + " takes dotted numbers up to 65535, at most " +
                    "four (1.2.3.4); got '" + U8(value) + "'";
            return kExitUsage;
        }
        auto same = std::find_if(b.strings.begin(), b.strings.end(),
                                 [&](const auto& s) { return s.first == kv.substr(0, eq); });
        if (same != b.strings.end()) {
            error = "--version-info " + key + " is given twice";
            return kExitUsage;
        }
        b.strings.emplace_back(kv.substr(0, eq), value);
    }
    if (o.Has("icon")) {
        std::string file;
        if (!ReadWholeFile(o.Value("icon"), kMaxIconFile, file, error) ||
            !ParseIconFile(file, b.icon, error)) {
            error = "--icon: " + error;
            return kExitPackage;
        }
    }
    if (o.Has("picture")) {
        const std::string name = U8(o.Value("picture"));
        if (!ReadWholeFile(o.Value("picture"), kMaxPictureFile, b.picture, error)) {
            error = "--picture: " + error;
            return kExitPackage;
        }
        // The window's own decoder judges it: what it cannot show is refused here.
        ui::TBitmap bmp;
        if (!ui::DecodeBmp(reinterpret_cast<const unsigned char*>(b.picture.data()),
                           b.picture.size(), bmp)) {
            error = "--picture: " + name +
                    " is not an uncompressed bitmap (1, 4, 8, 24 or 32 bits per pixel)";
            return kExitPackage;
        }
        if (bmp.Width != kPictureWidth || bmp.Height != kPictureHeight) {
            error = "--picture: " + name + " is " + std::to_string(bmp.Width) + " x " +
                    std::to_string(bmp.Height) + " pixels; the wizard's picture is " +
                    std::to_string(kPictureWidth) + " x " + std::to_string(kPictureHeight);
            return kExitPackage;
        }
    }
    return kExitOk;
}

bool BrandImage(const std::string& image, const Branding& b, std::string& out, std::string& error) {
    PeImage pe;
    if (!pe.Parse(image, error)) return false;
    if (pe.IsSigned()) {
        error =
            "the program is signed, and branding would break its signature: brand the "
            "unsigned program, then sign the package";
        return false;
    }
    if (pe.ImageEnd() != image.size()) {
        error = "bytes follow the program's last section; give the program alone";
        return false;
    }
    std::string section;
    uint32_t rva = 0;
    ResourceTree tree;
    if (!pe.ResourceSection(section, rva, error) || !tree.Read(section, rva, error)) return false;
    if (!b.icon.empty()) ReplaceIcon(tree, b.icon);
    if (!b.strings.empty() && !ReplaceVersion(tree, b, error)) return false;
    if (!b.picture.empty()) {
        Resource* pic = tree.Find(ResourceId::Number(rt::kRcData), ResourceId::Text(kPictureName));
        if (pic == nullptr) {
            error = "the stub has no wizard picture to replace";
            return false;
        }
        pic->data = b.picture;
    }
    return pe.WithResources(tree.Write(rva), out, error);
}

}  // namespace zmpack
