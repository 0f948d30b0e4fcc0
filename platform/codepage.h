#pragma once
// Conversions between UTF-16 and the system's 8-bit code pages.
// Windows: the ANSI and OEM code pages of the process. Elsewhere the code pages are named by the
// environment (ZM_CODEPAGE, ZM_OEMCODEPAGE: a number such as 1251 or 866), UTF-8 / 437 by default,
// so that tests can behave as a Windows-1251 system would.
#include "platform/types.h"

namespace platform {

unsigned SystemCodePage();
unsigned OemCodePage();

// Lossy: characters the code page lacks become '?' (never a best-fit look-alike).
AnsiString WideToAnsi(const UString& s);
UString AnsiToWide(const AnsiString& s);
// Exact: false, and out untouched, when any character has no exact equivalent.
bool WideToAnsiExact(const UString& s, AnsiString& out);

UString OemToWide(const std::string& s);

// Decodes bytes in a named code page that need not be the system's own (documents that declare
// their encoding, such as windows-1251 or koi8-r): a Windows code page number (1251, 20866,
// 28595, 65001, ...). Bytes the page does not define become U+FFFD. False when the system lacks
// the code page.
bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out);

// UTF-8 <-> UTF-16, independent of the system (invalid sequences become U+FFFD).
UString Utf8ToWide(const std::string& s);
std::string WideToUtf8(const UString& s);

// Case mapping with the system's rules (full Unicode, not only ASCII).
UString WideUpper(const UString& s);
UString WideLower(const UString& s);
bool SameTextNoCase(const UString& a, const UString& b);

}  // namespace platform
