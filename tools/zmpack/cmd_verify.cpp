// zmpack verify: the "zip" block's stored CRC-32, then a test extraction of every entry through
// the installer's component and engine (nothing is written).
#include <cstdio>

#include "platform/codepage.h"
#include "tools/zmpack/authenticode.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgopen.h"

namespace zmpack {
namespace {

const char* const kCmd = "verify";

const char* const kHelp =
    "Usage: zmpack verify [--password P] [--ca FILE] PKG\n"
    "Checks the package's signature when it has one (the file's digest and the signer's\n"
    "signature), the \"zip\" block against its stored CRC-32, then test-extracts every\n"
    "entry (data, CRC-32, passwords) without writing anything, and says what failed.\n\n"
    "  --password P   password for encrypted entries (default: the package's own)\n"
    "  --ca FILE      also check that each signer's certificate chain ends in one of these\n"
    "                 (PEM) certificates\n"
    "Exit status: 0 sound, 1 a problem was found, 2 a usage error.\n";

std::string Hex(uint32_t v) {
    char b[12];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

}  // namespace

int CmdVerify(const std::vector<UString>& args) {
    TOptions o;
    if (int status = ParsePackageCommand(
            kCmd, kHelp, {{"password", 0, true, false}, {"ca", 0, true, false}}, args, o);
        status >= 0)
        return status;
    TZMArchiveFile package;
    std::string why;
    if (!OpenPackage(o.Positional()[0], package, why)) return Complain(kCmd, why, kExitPackage);

    std::vector<std::string> failures;
    std::string out;
    // The signature first: it covers every byte before it, blocks without a CRC included.
    SignatureInfo sig;
    const std::string ca = platform::WideToUtf8(o.Value("ca"));
    if (!ReadSignature(o.Positional()[0], ca, sig, why)) return Complain(kCmd, why, kExitPackage);
    if (!sig.present) {
        out += "signature: none\n";
        if (!ca.empty()) failures.push_back("the package is not signed (--ca was given)");
    } else if (sig.problems.empty()) {
        out += "signature: " + std::to_string(sig.count) + " (" + sig.algorithm + ", signed by " +
               sig.signer + ") ok" + (ca.empty() ? "" : ", chain to " + ca + " ok") + "\n";
    } else {
        out += "signature: does not hold\n";
        for (const std::string& p : sig.problems) failures.push_back("signature: " + p);
    }
    // The package opens from the archive at the end of the file; a damaged chain of blocks can
    // still hide the "zip" block itself.
    const int index = package.Container->IndexOfBlock("zip");
    if (index < 0) {
        out += "zip block: not found in the container\n";
        failures.push_back(
            "the container's chain of blocks has no \"zip\" block (the package was changed or "
            "cut short)");
    } else if (const TZMArchiveBlock& block =
                   *package.Container->Blocks[static_cast<size_t>(index)];
               !block.CheckCrc) {
        out += "zip block: not marked for a CRC-32 check\n";
    } else if (package.Container->VerifyBlock("zip", true, nullptr)) {  // the signature is above
        out += "zip block: CRC-32 " + Hex(block.Crc32) + " ok\n";
    } else {
        out += "zip block: CRC-32 does not match the stored " + Hex(block.Crc32) + "\n";
        failures.push_back("the \"zip\" block does not match its stored CRC-32 " +
                           Hex(block.Crc32) + " (the package was changed or cut short)");
    }

    // The test runs through the component that opened the package: the directory it read (and
    // counted the files of) is not read again; the engine reads it once for its two passes.
    TZMZipper& zip = *package.Zip;
    zip.FSpecArgs = {"*.*"};
    zip.ExtrOptions = ZMExtrOpt(ExtrTest) | ZMExtrOpt(ExtrDirNames);
    zip.Password =
        o.Has("password") ? platform::WideToAnsi(o.Value("password")) : package.ArchivePassword;
    zip.OnMessage = [&](TCustomZMZipper&, int code, const AnsiString& text) {
        if (code != 0) failures.push_back(AnsiToUtf8(text));
    };
    const size_t files = static_cast<size_t>(package.FileCount());
    const int code = zip.Extract();
    if (code != 0 && failures.empty()) failures.push_back(AnsiToUtf8(zip.ErrMessage()));
    const size_t sound = static_cast<size_t>(zip.ProcessedCount() > 0 ? zip.ProcessedCount() : 0);
    out += "entries: " + std::to_string(sound) + " of " + std::to_string(files) +
           " files tested sound\n";
    if (sound < files && failures.empty())
        failures.push_back(std::to_string(files - sound) + " files could not be tested");
    PrintOut(out);
    if (failures.empty()) {
        PrintOut("verify: ok\n");
        return kExitOk;
    }
    for (const auto& f : failures) PrintErr("zmpack verify: " + f + "\n");
    PrintErr("zmpack verify: FAILED\n");
    return kExitPackage;
}

}  // namespace zmpack
