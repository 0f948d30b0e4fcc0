// Test hooks, the same on every system.
#include <mutex>

#include "platform/folderdlg.h"
#include "platform/shell.h"

namespace platform {
namespace detail {

std::mutex& HookLock() {
    static std::mutex m;
    return m;
}
std::function<void(const UString&)>& ShellHook() {
    static std::function<void(const UString&)> h;
    return h;
}
std::function<UString(const UString&, const UString&, bool)>& FolderHook() {
    static std::function<UString(const UString&, const UString&, bool)> h;
    return h;
}

}  // namespace detail

void SetShellOpenHook(std::function<void(const UString&)> hook) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    detail::ShellHook() = std::move(hook);
}

void SetBrowseForFolderHook(
    std::function<UString(const UString& title, const UString& initial, bool allow_new)> hook) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    detail::FolderHook() = std::move(hook);
}

}  // namespace platform
