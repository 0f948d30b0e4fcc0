#include "tools/zmpack/pkgopen.h"

#include "platform/codepage.h"
#include "platform/files.h"

namespace zmpack {

std::string AnsiToUtf8(const AnsiString& s) {
    return platform::WideToUtf8(platform::AnsiToWide(s));
}

std::string OpenFailureText(const TZMOpenError& error) {
    switch (error.failure) {
        case TZMOpenFailure::None:
            break;
        case TZMOpenFailure::NoContainer:
            return "not a package: no \"ZMCF\" container with blocks at a multiple of 512 bytes in "
                   "the first 8 MiB";
        case TZMOpenFailure::NoConfig:
            return "the package has no \"config\" block";
        case TZMOpenFailure::ConfigWithoutKey:
            return "the package's \"config\" block holds no key";
        case TZMOpenFailure::ArchiveUnreadable:
            return "the package's archive cannot be read" +
                   (error.message.empty() ? std::string() : ": " + AnsiToUtf8(error.message));
        case TZMOpenFailure::ArchiveEmpty:
            return "the package's archive has no entries";
    }
    return std::string();
}

bool OpenPackage(const UString& path, TZMArchiveFile& package, std::string& why) {
    if (!platform::FileExists(path)) {
        why = "no such file: " + platform::WideToUtf8(path);
        return false;
    }
    if (package.Open(path, true)) return true;
    why = OpenFailureText(package.OpenError());
    return false;
}

}  // namespace zmpack
