#pragma once
// The program's own file and folder, and paths as the system writes them.
#include "platform/types.h"

// Full path of the program's own file.
UString GetExeName();
// Folder of the program's own file, with a trailing delimiter.
UString GetAppFolder();
// The path with exactly one trailing delimiter added when it does not already end in one.
UString IncludeTrailingBackslash(const UString& path);
// A name stored in an archive ('/' between its folders) as the system writes paths: '\' on
// Windows.
UString SystemPathName(const UString& stored);
