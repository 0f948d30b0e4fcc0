#pragma once
// A package dressed as its publisher's: the installer program's icon, version record and wizard
// picture replaced in its resources before the container is appended. Both `create` and
// `brand` take the same options.
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"
#include "tools/zmpack/iconfile.h"
#include "tools/zmpack/options.h"

namespace zmpack {

struct Branding {
    std::vector<IconImage> icon;                                     // empty: the stub's own
    std::vector<std::pair<std::u16string, std::u16string>> strings;  // version record strings
    std::string picture;  // a bitmap file, or empty for the stub's own
    bool Any() const { return !icon.empty() || !strings.empty() || !picture.empty(); }
};

// The wizard's picture is this size exactly.
constexpr int kPictureWidth = 163;
constexpr int kPictureHeight = 314;

extern const std::vector<OptionSpec> kBrandSpecs;
extern const char* const kBrandHelp;

// Reads the options' files and values into b. Returns 0, or the exit status with error set: a
// usage error for an unknown key or a version that is not dotted numbers, a package problem
// for a file that cannot be read or is no icon or picture the installer can show.
int ReadBranding(const TOptions& o, Branding& b, std::string& error);

// The program image with b's resources in place of its own. False, with error, for an image
// that is signed (branding comes before signing), is no program image, or cannot be rewritten.
bool BrandImage(const std::string& image, const Branding& b, std::string& out, std::string& error);

}  // namespace zmpack
