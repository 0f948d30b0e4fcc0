// The UTF-16 name rules, which the installer uses for the folder it makes from its title.
#include "common/filenames.h"
#include "common/filename_rules.h"

bool IsValidFileName(const UString& name) { return filename_rules::IsValidName(name); }
UString MakeValidFileName(const UString& text) { return filename_rules::MakeValidName(text); }
