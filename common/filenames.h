#pragma once
// Checking and repairing file names: what may name a file or folder on Windows.
#include "platform/types.h"

// The text with every trailing occurrence of c removed.
AnsiString TrimRightChar(const AnsiString& s, char c);

// False for empty names, reserved device names (CON, COM1, LPT9.TXT, ...) and names holding
// control characters or any of " * / : < > ? \ |.
bool IsValidFileName(const AnsiString& name);
// The text with the forbidden characters left out, trailing dots and outer blanks removed;
// empty when that leaves no valid name.
AnsiString MakeValidFileName(const AnsiString& text);
// The same rules for UTF-16 text: every other character survives, whatever the code page holds.
bool IsValidFileName(const UString& name);
UString MakeValidFileName(const UString& text);
