#include "common/shellopen.h"

#include "platform/codepage.h"
#include "platform/folderdlg.h"
#include "platform/shell.h"

void ShellOpen(const AnsiString& target) {
    if (target.empty()) return;
    platform::ShellOpenAnsi(target);
}

void ShellOpenPath(const UString& path) {
    if (path.empty()) return;
    AnsiString narrow;
    if (platform::WideToAnsiExact(path, narrow)) {
        ShellOpen(narrow);
    } else {
        platform::ShellOpenWide(path);
    }
}

UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        uintptr_t owner) {
    return platform::BrowseForFolderDialog(title, initial_folder, allow_new_folder, owner);
}
