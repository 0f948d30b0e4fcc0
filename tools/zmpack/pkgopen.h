#pragma once
// Opening a package the way the installer does (TZMArchiveFile), and saying why it failed.
#include <string>

#include "package/ZMArchiveFile.h"
#include "platform/types.h"

namespace zmpack {

// Opens the package with its zip component kept. On false, why names the step that failed
// (no container, no usable "config" block, or the component's message about the archive).
bool OpenPackage(const UString& path, TZMArchiveFile& package, std::string& why);

// The package object's reason, for a person.
std::string OpenFailureText(const TZMOpenError& error);

// The component's 8-bit texts (system code page) as UTF-8 for the terminal.
std::string AnsiToUtf8(const AnsiString& s);

}  // namespace zmpack
