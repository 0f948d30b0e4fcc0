#include "tools/zmpack/commands.h"

#include <cstdio>

#include "platform/codepage.h"
#include "platform/files.h"
#include "zm_version.h"

namespace zmpack {
namespace {

std::string* captured_out = nullptr;
std::string* captured_err = nullptr;

}  // namespace

void CaptureOutput(std::string* out, std::string* err) {
    captured_out = out;
    captured_err = err;
}

void PrintOut(const std::string& text) {
    if (captured_out != nullptr) {
        *captured_out += text;
        return;
    }
    // The C library flushes a terminal by the line and buffers files and pipes: one system call
    // per listed file would cost a large extraction a tenth of its time.
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void PrintErr(const std::string& text) {
    if (captured_err != nullptr) {
        *captured_err += text;
        return;
    }
    std::fflush(stdout);  // what was said before the complaint comes before it
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

int Complain(const std::string& command, const std::string& message, int status) {
    PrintErr("zmpack " + command + ": " + message + "\n");
    if (status == kExitUsage) PrintErr("Try 'zmpack " + command + " --help'.\n");
    return status;
}

bool ReadWholeFile(const UString& path, int64_t limit, std::string& out, std::string& error) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) {
        error = "cannot open " + platform::WideToUtf8(path) + ": " +
                platform::WideToUtf8(platform::OsErrorText(f.LastError()));
        return false;
    }
    const int64_t size = f.Size();
    if (size < 0 || size > limit) {
        error = platform::WideToUtf8(path) + " is too large (at most " + std::to_string(limit) +
                " bytes)";
        return false;
    }
    out.assign(static_cast<size_t>(size), '\0');
    if (size > 0 && !f.ReadExact(&out[0], out.size())) {
        error = "cannot read " + platform::WideToUtf8(path);
        return false;
    }
    return true;
}

const char* VersionText() { return "zmpack " ZM_PRODUCT_VERSION "\n"; }

}  // namespace zmpack
