#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/charset.h"

namespace platform {
namespace {

// iconv knows most Windows code pages as CPnnnn, but not the numbers Windows gives to the
// KOI8 and ISO 8859 families.
std::string IconvNameOf(unsigned page) {
    if (page == 20866) return "KOI8-R";
    if (page == 21866) return "KOI8-U";
    if (page >= 28591 && page <= 28599) return "ISO-8859-" + std::to_string(page - 28590);
    if (page == 28603) return "ISO-8859-13";
    if (page == 28605) return "ISO-8859-15";
    if (page == 20127) return "ASCII";
    return "CP" + std::to_string(page);
}

}  // namespace

bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out) {
    iconv_t cd = iconv_open("UTF-16LE", IconvNameOf(code_page).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    UString result;
    result.reserve(bytes.size());
    char buf[4096];
    char* src = const_cast<char*>(bytes.data());
    size_t left = bytes.size();
    while (left > 0) {
        char* dst = buf;
        size_t room = sizeof(buf);
        size_t r = iconv(cd, &src, &left, &dst, &room);
        size_t produced = static_cast<size_t>(dst - buf);
        for (size_t i = 0; i + 1 < produced; i += 2) {
            result.push_back(static_cast<char16_t>(static_cast<unsigned char>(buf[i]) |
                                                   (static_cast<unsigned char>(buf[i + 1]) << 8)));
        }
        if (r == static_cast<size_t>(-1) && errno != E2BIG) {
            // An undefined byte of a single-byte page: replace it and go on.
            result.push_back(u'\xFFFD');
            ++src;
            --left;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    out.swap(result);
    return true;
}

}  // namespace platform
