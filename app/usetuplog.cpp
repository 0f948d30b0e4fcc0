#include "app/usetuplog.h"

#include <string>

#include "common/ownfile.h"
#include "platform/codepage.h"
#include "wizard/SetupExitCode.h"

namespace {

const char* Meaning(int code) {
    switch (code) {
        case ecInstalled:
            return "installed";
        case ecCancelled:
            return "cancelled";
        case ecPackageDamaged:
            return "the package cannot be opened or is damaged";
        case ecExtractionFailed:
            return "the extraction failed";
        case ecUsage:
            return "usage error";
        default:
            return "unknown";
    }
}

}  // namespace

bool TSetupLog::Open(const UString& path) {
    if (path.empty()) return true;
    const size_t cut = path.find_last_of(u"/\\");
    if (cut != UString::npos && cut > 0) platform::ForceDirectories(path.substr(0, cut));
    return file_.Open(path, platform::FileStream::Mode::CreateAlways);
}

void TSetupLog::Line(const UString& text) {
    if (!file_.IsOpen()) return;
    // A message of several lines stays one entry of the log.
    UString one;
    for (char16_t c : text) {
        if (c == u'\r') continue;
        one += c == u'\n' ? u' ' : c;
    }
    const std::string line = platform::WideToUtf8(one) + "\r\n";
    file_.Write(line.data(), line.size());
}

void TSetupLog::Outcome(int exit_code) {
    const std::string text = "Exit code " + std::to_string(exit_code) + ": " + Meaning(exit_code);
    Line(platform::Utf8ToWide(text));
    file_.Flush();
}
