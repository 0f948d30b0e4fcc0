#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

unsigned PageFromEnv(const char* var, unsigned fallback) {
    const char* v = std::getenv(var);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    unsigned long n = std::strtoul(v, &end, 10);
    return (end != v && n > 0 && n < 100000) ? static_cast<unsigned>(n) : fallback;
}

// iconv knows most Windows code pages as CPnnnn, but not the numbers Windows gives to UTF-8 and
// to the KOI8 and ISO 8859 families.
std::string IconvName(unsigned page) {
    if (page == 65001) return "UTF-8";
    if (page == 20866) return "KOI8-R";
    if (page == 21866) return "KOI8-U";
    if (page >= 28591 && page <= 28599) return "ISO-8859-" + std::to_string(page - 28590);
    if (page == 28603) return "ISO-8859-13";
    if (page == 28605) return "ISO-8859-15";
    if (page == 20127) return "ASCII";
    return "CP" + std::to_string(page);
}

// Opening a conversion costs more than converting a file name, and the engine converts a few
// names per entry: each thread keeps the descriptors it has opened until it ends.
class IconvCache {
  public:
    ~IconvCache() {
        for (auto& e : entries_) iconv_close(e.cd);
    }
    iconv_t Get(const std::string& from, const std::string& to) {
        for (auto& e : entries_) {
            if (e.from == from && e.to == to) {
                iconv(e.cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
                return e.cd;
            }
        }
        iconv_t cd = iconv_open(to.c_str(), from.c_str());
        if (cd != reinterpret_cast<iconv_t>(-1)) entries_.push_back({from, to, cd});
        return cd;
    }

  private:
    struct Entry {
        std::string from, to;
        iconv_t cd;
    };
    std::vector<Entry> entries_;
};

// Converts between the code page and UTF-16LE. exact: fail on any character without an
// equivalent; otherwise such characters become '?' (to 8-bit) or U+FFFD (to UTF-16).
bool Convert(const std::string& from, const std::string& to, const char* in, size_t in_len,
             std::string& out, bool exact, const char* replacement, size_t replacement_len,
             size_t in_unit) {
    thread_local IconvCache cache;
    iconv_t cd = cache.Get(from, to);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char buf[4096];
    char* src = const_cast<char*>(in);
    size_t left = in_len;
    bool ok = true;
    while (left > 0) {
        char* dst = buf;
        size_t room = sizeof(buf);
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buf, static_cast<size_t>(dst - buf));
        if (r == static_cast<size_t>(-1)) {
            if (errno == E2BIG) continue;
            if (exact) {
                ok = false;
                break;
            }
            out.append(replacement, replacement_len);
            // Skip one unit (a surrogate pair counts as two units on the wide side).
            size_t skip = in_unit;
            if (in_unit == 2 && left >= 4) {
                unsigned u =
                    static_cast<unsigned char>(src[0]) | (static_cast<unsigned char>(src[1]) << 8);
                if (u >= 0xD800 && u <= 0xDBFF) skip = 4;
            }
            if (skip > left) skip = left;
            src += skip;
            left -= skip;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    return ok;
}

UString FromBytesLE(const std::string& b) {
    UString s(b.size() / 2, u'\0');
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<char16_t>(static_cast<unsigned char>(b[2 * i]) |
                                     (static_cast<unsigned char>(b[2 * i + 1]) << 8));
    }
    return s;
}

std::string ToBytesLE(const UString& s) {
    std::string b(s.size() * 2, '\0');
    for (size_t i = 0; i < s.size(); ++i) {
        b[2 * i] = static_cast<char>(s[i] & 0xFF);
        b[2 * i + 1] = static_cast<char>(s[i] >> 8);
    }
    return b;
}

UString PageToWide(unsigned page, const std::string& s) {
    if (page == 65001) return Utf8ToWide(s);
    std::string out;
    const char repl[2] = {'\xFD', '\xFF'};
    if (!Convert(IconvName(page), "UTF-16LE", s.data(), s.size(), out, false, repl, 2, 1)) {
        return Utf8ToWide(s);
    }
    return FromBytesLE(out);
}

bool WideToPage(unsigned page, const UString& s, std::string& out, bool exact) {
    if (page == 65001) {
        out = WideToUtf8(s);
        return true;
    }
    std::string in = ToBytesLE(s);
    return Convert("UTF-16LE", IconvName(page), in.data(), in.size(), out, exact, "?", 1, 2);
}

// Made once per module and freed when the module goes: the engine carries this code too, and a
// program loads and unloads the engine once per run.
class TUtf8Locale {
  public:
    TUtf8Locale() : loc_(newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr))) {}
    ~TUtf8Locale() {
        if (loc_ != static_cast<locale_t>(nullptr)) freelocale(loc_);
    }
    TUtf8Locale(const TUtf8Locale&) = delete;
    TUtf8Locale& operator=(const TUtf8Locale&) = delete;
    locale_t Get() const { return loc_; }

  private:
    locale_t loc_;
};

locale_t Utf8Locale() {
    static const TUtf8Locale loc;
    return loc.Get();
}

UString MapCase(const UString& s, bool upper) {
    UString r(s);
    locale_t loc = Utf8Locale();
    for (auto& c : r) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x80) {
            if (upper && c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
            if (!upper && c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
            continue;
        }
        if (loc == static_cast<locale_t>(nullptr)) continue;
        wint_t m = upper ? towupper_l(c, loc) : towlower_l(c, loc);
        if (m < 0x10000) c = static_cast<char16_t>(m);
    }
    return r;
}

}  // namespace

unsigned SystemCodePage() { return PageFromEnv("ZM_CODEPAGE", 65001); }
unsigned OemCodePage() { return PageFromEnv("ZM_OEMCODEPAGE", 437); }

AnsiString WideToAnsi(const UString& s) {
    std::string out;
    WideToPage(SystemCodePage(), s, out, false);
    return out;
}

UString AnsiToWide(const AnsiString& s) { return PageToWide(SystemCodePage(), s); }

bool WideToAnsiExact(const UString& s, AnsiString& out) {
    for (size_t i = 0; i < s.size(); ++i) {
        // Lone surrogates and U+FFFD have no exact 8-bit form.
        char16_t c = s[i];
        if (c == 0xFFFD) return false;
        if (c >= 0xDC00 && c <= 0xDFFF) return false;
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 >= s.size() || s[i + 1] < 0xDC00 || s[i + 1] > 0xDFFF) return false;
            ++i;
        }
    }
    std::string r;
    if (!WideToPage(SystemCodePage(), s, r, true)) return false;
    out = r;
    return true;
}

UString OemToWide(const std::string& s) { return PageToWide(OemCodePage(), s); }

bool CodePageToWide(unsigned code_page, const std::string& bytes, UString& out) {
    std::string utf16;
    const char repl[2] = {'\xFD', '\xFF'};
    if (!Convert(IconvName(code_page), "UTF-16LE", bytes.data(), bytes.size(), utf16, false, repl,
                 2, 1))
        return false;
    out = FromBytesLE(utf16);
    return true;
}

UString WideUpper(const UString& s) { return MapCase(s, true); }
UString WideLower(const UString& s) { return MapCase(s, false); }

}  // namespace platform
