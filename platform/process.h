#pragma once
// The running program.
#include "platform/types.h"

namespace platform {

// Full path of the program's own file (the module file name; never argv[0]).
UString GetExeName();
// A new GUID in its usual text form with braces, e.g. {0F1E...}; false when none can be made.
bool CreateGuidText(AnsiString& out);
// The two-letter ISO 639 code of the user's interface language, or empty.
AnsiString UserUILanguageIso639();

}  // namespace platform
