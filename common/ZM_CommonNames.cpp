// The name checks and the 8-bit repair, apart from the helpers the installer uses: it only
// repairs its title, in UTF-16, into a folder name.
#include "common/ZM_Common.h"
#include "common/filename_rules.h"

AnsiString TrimRightChar(const AnsiString& s, char c) { return filename_rules::TrimRight(s, c); }

bool IsValidFileName(const AnsiString& name) { return filename_rules::IsValidName(name); }
bool IsValidFileName(const UString& name) { return filename_rules::IsValidName(name); }

AnsiString MakeValidFileName(const AnsiString& text) { return filename_rules::MakeValidName(text); }
