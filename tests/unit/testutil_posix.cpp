#include <ftw.h>
#include <unistd.h>

#include <cstdio>

#include "tests/unit/testutil.h"

namespace testutil {

static int RemoveOne(const char* path, const struct stat*, int, struct FTW*) {
    return ::remove(path);
}

void RemoveTree(const UString& path) {
    std::string p = platform::WideToUtf8(path);
    if (!p.empty()) nftw(p.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace testutil
