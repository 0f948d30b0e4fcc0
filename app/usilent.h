#pragma once
// The unattended install (/S): no window, no box, no question. What a box would say goes to the
// log, and the outcome is the exit code.
#include "app/ucmdline.h"
#include "platform/types.h"

// Installs the package carried in exe_path with the command line's choices and the defaults
// (existing files replaced unless /OVERWRITE=never; the program not started unless /RUN).
// Returns the process's exit code.
int RunSilent(const UString& exe_path, const TCommandLine& command_line);

// Makes the pack's language with this id (any letter case) the current one; false when the pack
// has none such.
bool SelectCommandLineLanguage(const AnsiString& id);
