#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/hooks.h"
#include "platform/shell.h"

extern char** environ;

namespace platform {

void ShellOpenWide(const UString& target) {
    if (target.empty()) return;
    {
        std::lock_guard<std::mutex> g(detail::HookLock());
        if (detail::ShellHook()) {
            detail::ShellHook()(target);
            return;
        }
    }
    if (access("/usr/bin/xdg-open", X_OK) != 0) return;
    std::string t = WideToUtf8(target);
    char prog[] = "/usr/bin/xdg-open";
    char* argv[] = {prog, const_cast<char*>(t.c_str()), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, prog, nullptr, nullptr, argv, environ) == 0) {
        // Do not wait for the opened program; reap the launcher only.
        waitpid(pid, nullptr, WNOHANG);
    }
}

void ShellOpenAnsi(const AnsiString& target) {
    if (target.empty()) return;
    ShellOpenWide(AnsiToWide(target));
}

}  // namespace platform
