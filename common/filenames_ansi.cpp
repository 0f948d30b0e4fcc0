// The 8-bit name checks and repair, in a file of their own: the installer repairs only its
// title, in UTF-16, and so does not carry these.
#include "common/filenames.h"
#include "common/filename_rules.h"

AnsiString TrimRightChar(const AnsiString& s, char c) { return filename_rules::TrimRight(s, c); }
bool IsValidFileName(const AnsiString& name) { return filename_rules::IsValidName(name); }
AnsiString MakeValidFileName(const AnsiString& text) { return filename_rules::MakeValidName(text); }
