#pragma once
// Handing a file, folder or web address to the system shell with the verb "open".
#include <functional>

#include "platform/types.h"

namespace platform {

// Windows: ShellExecuteA("open", target, "", "", SW_SHOW). Elsewhere: xdg-open when present.
// Empty targets do nothing; the result is not looked at.
void ShellOpenAnsi(const AnsiString& target);
// The same through the wide API, for paths that have no 8-bit form.
void ShellOpenWide(const UString& target);

// Tests replace the shell: every open goes to the hook instead (nullptr restores the shell).
void SetShellOpenHook(std::function<void(const UString&)> hook);

}  // namespace platform
