// zmpack sign: an existing package signed (Authenticode, SHA-256) in place or into a new file.
#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgopen.h"
#include "tools/zmpack/signing.h"
#include "tools/zmpack/tempfile.h"

namespace zmpack {
namespace {

const char* const kCmd = "sign";

const char* const kHelp =
    "Usage: zmpack sign --sign-cert FILE --sign-key FILE [--sign-pass P] [-o OUT] PKG\n"
    "Signs the package (Authenticode, SHA-256, through osslsigncode); the signed package\n"
    "opens, installs and verifies as before. Without -o the package is replaced, and only\n"
    "when the signed file opens as a package.\n\n"
    "  -o, --output OUT         write the signed package here instead\n"
    "%SIGNING%\n"
    "SOURCE_DATE_EPOCH, when set, is the signing time, for reproducible packages.\n"
    "Exit status: 0 signed, 1 the package does not open or cannot be signed, 2 a usage\n"
    "error.\n";

}  // namespace

int CmdSign(const std::vector<UString>& args) {
    std::string help = kHelp;
    help.replace(help.find("%SIGNING%\n"), 10, kSignHelp);
    std::vector<OptionSpec> specs = kSignSpecs;
    specs.push_back({"output", 'o', true, false});
    TOptions o;
    if (int status = ParsePackageCommand(kCmd, help.c_str(), specs, args, o); status >= 0)
        return status;
    SignRequest r;
    std::string error;
    if (!ReadSignRequest(o, r, error)) return Complain(kCmd, error, kExitUsage);
    if (!r.Wanted()) return Complain(kCmd, "--sign-cert and --sign-key are missing", kExitUsage);
    const UString pkg = o.Positional()[0];
    if (!platform::FileExists(pkg))
        return Complain(kCmd, "no such file: " + platform::WideToUtf8(pkg), kExitPackage);
    const UString out = o.Has("output") ? o.Value("output") : pkg;
    if (out.empty()) return Complain(kCmd, "the output (-o OUT) is empty", kExitUsage);
    TTempFile temp(TempNameFor(out, u".signed.tmp"));
    if (!SignFile(pkg, temp.Path(), r, error)) return Complain(kCmd, error, kExitPackage);
    // The signed file must be a package; the input need not open (a package whose signature was
    // removed keeps the padding in front of where the table was).
    {
        TZMArchiveFile package;
        std::string why;
        if (!OpenPackage(temp.Path(), package, why))
            return Complain(kCmd, "the signed file is not a package: " + why, kExitPackage);
    }
    if (!platform::RenameFile(temp.Path(), out))
        return Complain(kCmd,
                        "cannot move the signed package into place as " +
                            platform::WideToUtf8(out) + ": " +
                            platform::WideToUtf8(platform::OsErrorText(platform::LastOsError())),
                        kExitPackage);
    temp.Keep();
    return kExitOk;
}

}  // namespace zmpack
