#pragma once
// The system's folder-choice dialog.
#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace platform {

// Shows the shell's folder browser (file-system folders only, new dialog style; the new-folder
// button hidden unless allow_new_folder), owned by the given window (0: the application's).
// Selects initial_folder when it is not empty. Returns the chosen path or empty.
UString BrowseForFolderDialog(const UString& title, const UString& initial_folder,
                              bool allow_new_folder, uintptr_t owner);

// Tests answer the dialog instead of a person (on every system); nullptr restores the dialog.
void SetBrowseForFolderHook(
    std::function<UString(const UString& title, const UString& initial, bool allow_new)> hook);

}  // namespace platform
