#pragma once
// Helpers shared by the wizard, the package reader and the settings parser. They keep no state
// and never report an error to the caller: bad input gives false, 0 or an empty result.
#include <cstdint>

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

// Asks the shell to open a file, folder or web address; an empty target does nothing.
void ShellOpen(const AnsiString& target);
// Opens a file or folder by its UTF-16 path: through ShellOpen when the path has an exact 8-bit
// form, else through the shell's wide entry point (never a path with '?' for what the code page
// lacks).
void ShellOpenPath(const UString& path);
// The folder-choice dialog; empty on cancel.
UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        uintptr_t owner);

// Lenient integer: leading blanks, optional sign, "$", "x" or "0x" for hexadecimal. At the first
// character that does not belong (or a digit that would overflow) the digits read so far are the
// value, without the sign. Empty text gives 0.
int32_t StrToIntVal(const AnsiString& s);
// Lenient real with "." as the decimal separator; the longest leading number, 0 when none.
double StrToFloatVal(const AnsiString& s);
// A real with "," or "." as the decimal separator; 0 unless the whole text is a number.
double StrToFloatDot(const AnsiString& s);
// StrToIntVal(s) != 0.
bool StrToBoolVal(const AnsiString& s);

// Storage kinds of ordinal variables.
enum class TOrdType {
    SignedByte,
    UnsignedByte,
    SignedWord,
    UnsignedWord,
    SignedLong,
    UnsignedLong,
    Other
};
// Stores the low 8, 16 or 32 bits of value at the variable's address, by its kind; nothing for
// other kinds.
void SetOrdinalValue(TOrdType kind, void* variable, int64_t value);

// The abuse-report page; the package number is appended to it.
AnsiString AbuseBaseUrl();
