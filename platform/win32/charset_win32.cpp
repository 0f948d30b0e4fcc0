#include "platform/charset.h"
#include "platform/win32/wide.h"

namespace platform {

bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out) {
    if (!IsValidCodePage(code_page)) return false;
    if (bytes.empty()) {
        out.clear();
        return true;
    }
    // Larger texts than an int can count are no documents we read; refuse rather than cut.
    if (bytes.size() > 0x7FFFFFFF) return false;
    const int len = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(code_page, 0, bytes.data(), len, nullptr, 0);
    if (n <= 0) return false;
    std::wstring w(static_cast<size_t>(n), L'\0');
    if (MultiByteToWideChar(code_page, 0, bytes.data(), len, &w[0], n) != n) return false;
    out = U(w.c_str(), w.size());
    return true;
}

}  // namespace platform
