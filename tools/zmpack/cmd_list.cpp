// zmpack list: the entries of a package's archive, one line each, as the installer reads them.
#include <cstdio>

#include "engine/zipformat.h"
#include "platform/codepage.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/methods.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgopen.h"

namespace zmpack {
namespace {

const char* const kCmd = "list";

const char* const kHelp =
    "Usage: zmpack list PKG\n"
    "Lists the entries of the package's archive: size, packed size, method, CRC-32,\n"
    "modification time (local, as stored) and name; folders end in '/'.\n"
    "Exit status: 0 listed, 1 the package does not open, 2 a usage error.\n";

}  // namespace

int CmdList(const std::vector<UString>& args) {
    TOptions o;
    if (int status = ParsePackageCommand(kCmd, kHelp, {}, args, o); status >= 0) return status;
    TZMArchiveFile package;
    std::string why;
    if (!OpenPackage(o.Positional()[0], package, why)) return Complain(kCmd, why, kExitPackage);

    const TZMZipper& zip = *package.Zip;
    std::string out = "        Size       Packed  Method   CRC-32    Modified             Name\n";
    uint64_t total = 0, packed = 0;
    char line[160];
    for (size_t i = 0; i < zip.Entries().size(); ++i) {
        const zipformat::ZipEntry& e = zip.Entries()[i];
        const zipformat::DosTime t = zipformat::DecodeDosTime(e.dos_date, e.dos_time);
        std::snprintf(
            line, sizeof line, "%12llu %12llu  %-7s  %08X  %04d-%02d-%02d %02d:%02d:%02d  ",
            static_cast<unsigned long long>(e.size),
            static_cast<unsigned long long>(e.compressed_size), MethodName(e.method).c_str(),
            static_cast<unsigned>(e.crc), t.year, t.month, t.day, t.hour, t.minute, t.second);
        out += line + platform::WideToUtf8(zip.EntryNameW(i)) + (e.Encrypted() ? "  *" : "") + "\n";
        total += e.size;
        packed += e.compressed_size;
    }
    std::snprintf(line, sizeof line, "%12llu %12llu  %zu entries\n",
                  static_cast<unsigned long long>(total), static_cast<unsigned long long>(packed),
                  zip.Entries().size());
    out += line;
    PrintOut(out);
    return kExitOk;
}

}  // namespace zmpack
