// zmpack brand: an existing unsigned package's installer program dressed as its publisher's
// (icon, version record, wizard picture); the container after it is copied unchanged.
#include <vector>

#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/branding.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/peimage.h"
#include "tools/zmpack/pkgopen.h"
#include "tools/zmpack/tempfile.h"

namespace zmpack {
namespace {

const char* const kCmd = "brand";

const char* const kHelp =
    "Usage: zmpack brand [--icon FILE.ico] [--version-info KEY=VALUE]... [--picture FILE.bmp]\n"
    "                    [-o OUT] PKG\n"
    "Replaces the icon, version record strings or wizard picture of an unsigned package's\n"
    "installer program; the package's container (settings, language pack, files) stays as\n"
    "it is. Without -o the package is replaced, and only when the new file opens as a\n"
    "package. Brand before signing: a signed package is refused.\n\n"
    "  -o, --output OUT         write the branded package here instead\n"
    "%BRANDING%\n"
    "\nExit status: 0 branded, 1 the package or a file given cannot be used, 2 a usage error.\n";

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

// Copies [from, end of file) of in to out.
bool CopyRest(platform::FileStream& in, int64_t from, platform::FileStream& out) {
    std::vector<char> buf(1 << 20);
    if (!in.Seek(from)) return false;
    for (;;) {
        const size_t n = in.Read(buf.data(), buf.size());
        if (n == 0) return true;
        if (!out.Write(buf.data(), n)) return false;
    }
}

}  // namespace

int CmdBrand(const std::vector<UString>& args) {
    std::string help = kHelp;
    help.replace(help.find("%BRANDING%\n"), 11, kBrandHelp);
    std::vector<OptionSpec> specs = kBrandSpecs;
    specs.push_back({"output", 'o', true, false});
    TOptions o;
    if (int status = ParsePackageCommand(kCmd, help.c_str(), specs, args, o); status >= 0)
        return status;
    Branding b;
    std::string error;
    if (int status = ReadBranding(o, b, error); status != kExitOk)
        return Complain(kCmd, error, status);
    if (!b.Any())
        return Complain(kCmd, "nothing to change: give --icon, --version-info or --picture",
                        kExitUsage);
    const UString pkg = o.Positional()[0];
    const UString out = o.Has("output") ? o.Value("output") : pkg;
    if (out.empty()) return Complain(kCmd, "the output (-o OUT) is empty", kExitUsage);
    {
        TZMArchiveFile package;
        std::string why;
        if (!OpenPackage(pkg, package, why)) return Complain(kCmd, why, kExitPackage);
    }
    TZMContainerFile container;
    platform::FileStream in;
    if (!container.Open(pkg) || !in.Open(pkg, platform::FileStream::Mode::ReadShared))
        return Complain(kCmd, "cannot read " + U8(pkg), kExitPackage);
    std::string image(static_cast<size_t>(container.HeaderOffset), '\0');
    if (!image.empty() && !in.ReadExact(&image[0], image.size()))
        return Complain(kCmd, "cannot read " + U8(pkg), kExitPackage);
    PeImage pe;
    if (!pe.Parse(image, error))
        return Complain(kCmd, U8(pkg) + ": the installer program: " + error, kExitPackage);
    if (pe.IsSigned())
        return Complain(kCmd,
                        U8(pkg) +
                            " is signed, and branding would break its signature: brand "
                            "the unsigned package, then sign it",
                        kExitPackage);
    // What lies between the program and the container is the writer's zero padding.
    if (image.find_first_not_of('\0', pe.ImageEnd()) != std::string::npos)
        return Complain(kCmd, U8(pkg) + ": bytes other than padding follow the installer program",
                        kExitPackage);
    image.resize(pe.ImageEnd());
    std::string branded;
    if (!BrandImage(image, b, branded, error))
        return Complain(kCmd, U8(pkg) + ": " + error, kExitPackage);
    branded.resize(
        (branded.size() + zmcf::kHeaderAlign - 1) / zmcf::kHeaderAlign * zmcf::kHeaderAlign, '\0');
    if (static_cast<int64_t>(branded.size()) > zmcf::kHeaderSearchLimit)
        return Complain(kCmd,
                        "the branded program is too large: the container must start "
                        "within the first 8 MiB",
                        kExitPackage);

    TTempFile temp(TempNameFor(out, u".tmp"));
    platform::FileStream w;
    if (!w.Open(temp.Path(), platform::FileStream::Mode::CreateAlways) ||
        !w.Write(branded.data(), branded.size()) || !CopyRest(in, container.HeaderOffset, w) ||
        !w.Close())
        return Complain(kCmd, "cannot write " + U8(temp.Path()), kExitPackage);
    in.Close();
    if (!StampFileChecksum(temp.Path(), pe.ChecksumOffset(), error))
        return Complain(kCmd, error, kExitPackage);
    {
        TZMArchiveFile package;
        std::string why;
        if (!OpenPackage(temp.Path(), package, why))
            return Complain(kCmd, "the branded file is not a package: " + why, kExitPackage);
    }
    if (!platform::RenameFile(temp.Path(), out))
        return Complain(kCmd,
                        "cannot move the branded package into place as " + U8(out) + ": " +
                            U8(platform::OsErrorText(platform::LastOsError())),
                        kExitPackage);
    temp.Keep();
    return kExitOk;
}

}  // namespace zmpack
