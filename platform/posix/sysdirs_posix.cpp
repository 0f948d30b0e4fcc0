#include <sys/stat.h>
#include <unistd.h>

#include <climits>

#include "platform/codepage.h"
#include "platform/sysdirs.h"

#ifndef ZM_SYSTEM_LIBDIR
#define ZM_SYSTEM_LIBDIR "/usr/local/lib/zmsetup"
#endif

namespace platform {

UString SystemLibraryFolder() {
    UString s = Utf8ToWide(ZM_SYSTEM_LIBDIR);
    while (s.size() > 1 && s.back() == u'/') s.pop_back();
    return s;
}

const char* SharedLibraryExtension() { return ".so"; }

bool CreatePrivateDirectory(const UString& path) {
    // mkdir fails on anything that exists, a symbolic link included.
    return !path.empty() && mkdir(WideToUtf8(path).c_str(), 0700) == 0;
}

UString GetCurrentDir() {
    char buf[PATH_MAX];
    if (getcwd(buf, sizeof(buf)) == nullptr) return UString();
    return Utf8ToWide(buf);
}

bool SetCurrentDir(const UString& path) { return chdir(WideToUtf8(path).c_str()) == 0; }

}  // namespace platform
