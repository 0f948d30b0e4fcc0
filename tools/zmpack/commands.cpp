#include "tools/zmpack/commands.h"

#include <cstdio>

#ifndef ZM_VERSION
#define ZM_VERSION "0"
#endif

namespace zmpack {

void PrintOut(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

void PrintErr(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

int Complain(const std::string& command, const std::string& message, int status) {
    PrintErr("zmpack " + command + ": " + message + "\n");
    if (status == kExitUsage) PrintErr("Try 'zmpack " + command + " --help'.\n");
    return status;
}

const char* VersionText() { return "zmpack " ZM_VERSION "\n"; }

}  // namespace zmpack
