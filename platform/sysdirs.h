#pragma once
// Folders the system names for a program, and a private folder for one run.
#include "platform/types.h"

namespace platform {

// The folder libraries are taken from when a program names no folder of its own: on Windows the
// system folder; elsewhere the library folder fixed when the program was built (ZM_SYSTEM_LIBDIR).
// No trailing delimiter; empty on failure.
UString SystemLibraryFolder();
// The file-name extension of the system's shared libraries, with its dot (".dll", ".so").
const char* SharedLibraryExtension();

// Creates a new folder that only the current user may enter. False when anything already exists
// at that path (it is never reused) or the folder cannot be made.
bool CreatePrivateDirectory(const UString& path);

// The process's current folder, with no trailing delimiter.
UString GetCurrentDir();
bool SetCurrentDir(const UString& path);

}  // namespace platform
