#include "tools/zmpack/pkgopen.h"

#include "platform/codepage.h"
#include "platform/files.h"

namespace zmpack {

std::string AnsiToUtf8(const AnsiString& s) {
    return platform::WideToUtf8(platform::AnsiToWide(s));
}

bool OpenPackage(const UString& path, TZMArchiveFile& package, std::string& why) {
    if (!platform::FileExists(path)) {
        why = "no such file: " + platform::WideToUtf8(path);
        return false;
    }
    if (package.Open(path, true)) return true;
    // The package object only says no; retrace its steps for the reason.
    TZMContainerFile container;
    if (!container.Open(path)) {
        why =
            "not a package: no \"ZMCF\" container with blocks at a multiple of 512 bytes in "
            "the first 8 MiB";
        return false;
    }
    const AnsiString config = container.ReadBlock("config");
    TZMArchiveConfig parsed;
    if (config.empty() || !(parsed.LoadFromXml(config) || parsed.LoadFromText(config))) {
        why = config.empty() ? "the package has no \"config\" block"
                             : "the package's \"config\" block holds no key";
        return false;
    }
    TZMZipper zip;
    zip.SetZipFileNameW(path);
    if (zip.ErrCode() != 0) {
        why = "the package's archive cannot be read: " + AnsiToUtf8(zip.ErrMessage());
    } else {
        why = "the package's archive has no entries";
    }
    return false;
}

}  // namespace zmpack
