#include "platform/folderdlg.h"
#include "platform/hooks.h"

namespace platform {

UString BrowseForFolderDialog(const UString& title, const UString& initial_folder,
                              bool allow_new_folder, uintptr_t /*owner*/) {
    std::function<UString(const UString&, const UString&, bool)> hook;
    {
        std::lock_guard<std::mutex> g(detail::HookLock());
        hook = detail::FolderHook();
    }
    // There is no system dialog here: without an answer the choice is cancelled.
    return hook ? hook(title, initial_folder, allow_new_folder) : UString();
}

}  // namespace platform
