#include <unistd.h>

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/console.h"

namespace platform {

std::vector<UString> CommandLineArguments(int argc, char** argv) {
    std::vector<UString> args;
    for (int i = 0; i < argc; ++i) args.push_back(Utf8ToWide(argv[i]));
    return args;
}

bool GetEnvironmentText(const char* name, UString& out) {
    const char* v = std::getenv(name);
    if (v == nullptr) return false;
    out = Utf8ToWide(v);
    return true;
}

bool SetEnvironmentText(const char* name, const UString& value, bool unset) {
    if (unset) return unsetenv(name) == 0;
    return setenv(name, WideToUtf8(value).c_str(), 1) == 0;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void UseUtf8ConsoleOutput() {}

bool WriteToParentConsole(const UString& text) {
    const std::string utf8 = WideToUtf8(text);
    size_t done = 0;
    while (done < utf8.size()) {
        const ssize_t n = write(STDOUT_FILENO, utf8.data() + done, utf8.size() - done);
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace platform
