#pragma once
// The running program.
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

// Full path of the program's own file (the module file name; never argv[0]).
UString GetExeName();
// A new GUID in its usual text form with braces, e.g. {0F1E...}; false when none can be made.
bool CreateGuidText(AnsiString& out);
// The two-letter ISO 639 code of the user's interface language, or empty.
AnsiString UserUILanguageIso639();

// Runs a program found on the PATH (argv[0], UTF-8) with the given arguments and waits for it,
// its error output going where this program's goes, its standard output too unless
// `quiet`. Its exit code, or -1 when it could not be started (not found: `missing` is set).
int RunProgram(const std::vector<std::string>& argv, bool quiet, bool& missing);

}  // namespace platform
