#include "platform/win32/wide.h"
#include <shellapi.h>

#include "platform/codepage.h"
#include "platform/hooks.h"
#include "platform/shell.h"

namespace platform {

static bool Hooked(const UString& target) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    if (!detail::ShellHook()) return false;
    detail::ShellHook()(target);
    return true;
}

void ShellOpenAnsi(const AnsiString& target) {
    if (target.empty()) return;
    if (Hooked(AnsiToWide(target))) return;
    ShellExecuteA(nullptr, "open", target.c_str(), "", "", SW_SHOW);
}

void ShellOpenWide(const UString& target) {
    if (target.empty()) return;
    if (Hooked(target)) return;
    ShellExecuteW(nullptr, L"open", W(target), L"", L"", SW_SHOW);
}

}  // namespace platform
