#pragma once
// Decoding text in a named 8-bit code page that need not be the system's own (documents that
// declare their encoding, such as windows-1251 or koi8-r).
#include <string>

#include "platform/types.h"

namespace platform {

// Decodes bytes in the given Windows code page number (1251, 20866, 28595, ...).
// Bytes the page does not define become U+FFFD. False when the system lacks the code page.
bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out);

}  // namespace platform
