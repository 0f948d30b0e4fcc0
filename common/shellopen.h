#pragma once
// The shell's "open" for files, folders and web addresses, and the folder-choice dialog.
#include <cstdint>

#include "platform/types.h"

// Asks the shell to open a file, folder or web address; an empty target does nothing.
void ShellOpen(const AnsiString& target);
// Opens a file or folder by its UTF-16 path: through ShellOpen when the path has an exact 8-bit
// form, else through the shell's wide entry point (never a path with '?' for what the code page
// lacks).
void ShellOpenPath(const UString& path);
// The folder-choice dialog; empty on cancel.
UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        uintptr_t owner);
