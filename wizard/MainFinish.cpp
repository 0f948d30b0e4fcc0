// The finishing actions: start the installed program, open the destination folder, report the
// package's content. Each hands a path or address to the shell and looks at no result.
#include "common/ownfile.h"
#include "common/shellopen.h"
#include "platform/files.h"
#include "wizard/Main.h"

namespace {

// The program to run must lie below the destination: an entry name that climbs out of it ("..")
// or names a drive or root of its own would start whatever file happens to sit there.
bool StaysBelowDestination(const UString& name) {
    if (name.empty() || name.find(u':') != UString::npos) return false;
    if (name[0] == u'/' || name[0] == u'\\') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(u"/\\", start);
        if (end == UString::npos) end = name.size();
        if (name.compare(start, end - start, u"..") == 0) return false;
        start = end + 1;
    }
    return true;
}

}  // namespace

void RunPackageProgram(const UString& destination, const UString& exe_name) {
    if (!StaysBelowDestination(exe_name)) return;
    // The folder already ends with a delimiter; the entry's stored name follows it directly.
    // Paths the code page cannot hold go to the shell as they are (never with '?' in them).
    const UString path = destination + exe_name;
    if (!platform::FileExists(path)) return;
    ShellOpenPath(path);
}

void TMainForm::RunInstalledProgram() { RunPackageProgram(txtOutput->Text(), package_.ExeName); }

void TMainForm::btnOpenFolderClick() { ShellOpenPath(IncludeTrailingBackslash(txtOutput->Text())); }

void TMainForm::btnDoAbuseClick() {
    const AnsiString url = package_.GetAbuseUrl();
    if (!url.empty()) ShellOpen(url);
}
