#include "common/ZM_Common.h"

#include <cstring>
#include <limits>
#include <type_traits>

#include "common/abuse_url.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folderdlg.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace {

const char* const kReservedNames[] = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

// The rules below look only at ASCII and control characters, so they read 8-bit text in any code
// page and UTF-16 text alike.
template <class Ch>
unsigned Code(Ch c) {
    return static_cast<unsigned>(static_cast<typename std::make_unsigned<Ch>::type>(c));
}

template <class Ch>
bool IsForbiddenChar(Ch c) {
    const unsigned u = Code(c);
    return u < 32 || (u < 128 && std::strchr("\"*/:<>?\\|", static_cast<int>(u)) != nullptr);
}

template <class S>
S TrimRight(const S& s, typename S::value_type c) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] == c) --e;
    return s.substr(0, e);
}

template <class S>
S TrimControlAndBlanks(const S& s) {
    size_t b = 0, e = s.size();
    while (b < e && Code(s[b]) <= 32) ++b;
    while (e > b && Code(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

template <class S>
S UpperAscii(S s) {
    for (auto& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<typename S::value_type>(c - 32);
    return s;
}

// The name without its extension: from the last "." on, unless a "\" or ":" follows that ".".
template <class S>
S WithoutExtension(const S& s) {
    size_t i = s.size();
    while (i > 0 && s[i - 1] != '.' && s[i - 1] != '\\' && s[i - 1] != ':') --i;
    if (i == 0 || s[i - 1] != '.') return s;
    return s.substr(0, i - 1);
}

template <class S>
bool EqualsAscii(const S& s, const char* ascii) {
    size_t i = 0;
    for (; ascii[i] != '\0'; ++i)
        if (i >= s.size() || Code(s[i]) != static_cast<unsigned char>(ascii[i])) return false;
    return i == s.size();
}

template <class S>
bool IsValidName(const S& name) {
    const S u = UpperAscii(TrimControlAndBlanks(TrimRight(name, '.')));
    if (u.empty()) return false;
    const S stem = WithoutExtension(u);
    for (const char* reserved : kReservedNames) {
        if (EqualsAscii(stem, reserved)) return false;
    }
    for (auto c : u) {
        if (IsForbiddenChar(c)) return false;
    }
    return true;
}

template <class S>
S MakeValidName(const S& text) {
    const S t = TrimControlAndBlanks(TrimRight(text, '.'));
    S r;
    r.reserve(t.size());
    for (auto c : t) {
        if (!IsForbiddenChar(c)) r.push_back(c);
    }
    return IsValidName(r) ? r : S();
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

UString GetExeName() { return platform::GetExeName(); }

UString GetAppFolder() {
    const UString exe = GetExeName();
    size_t i = exe.size();
    while (i > 0 && !platform::IsPathDelimiter(exe[i - 1])) --i;
    return IncludeTrailingBackslash(exe.substr(0, i));
}

UString IncludeTrailingBackslash(const UString& path) {
    if (!path.empty() && platform::IsPathDelimiter(path.back())) return path;
    return path + platform::PathDelimiter();
}

AnsiString TrimRightChar(const AnsiString& s, char c) { return TrimRight(s, c); }

bool IsValidFileName(const AnsiString& name) { return IsValidName(name); }
bool IsValidFileName(const UString& name) { return IsValidName(name); }

AnsiString MakeValidFileName(const AnsiString& text) { return MakeValidName(text); }
UString MakeValidFileName(const UString& text) { return MakeValidName(text); }

void ShellOpen(const AnsiString& target) {
    if (target.empty()) return;
    platform::ShellOpenAnsi(target);
}

void ShellOpenPath(const UString& path) {
    if (path.empty()) return;
    AnsiString narrow;
    if (platform::WideToAnsiExact(path, narrow)) {
        ShellOpen(narrow);
    } else {
        platform::ShellOpenWide(path);
    }
}

UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        uintptr_t owner) {
    return platform::BrowseForFolderDialog(title, initial_folder, allow_new_folder, owner);
}

int32_t StrToIntVal(const AnsiString& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    // Hexadecimal text may spell all 32 bits (FFFFFFFF is -1); decimal stops short of overflow.
    const uint64_t limit = hex ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
    uint64_t v = 0;
    bool complete = true;
    for (; i < s.size(); ++i) {
        int d = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
        const uint64_t next = v * (hex ? 16 : 10) + static_cast<uint64_t>(d < 0 ? 0 : d);
        if (d < 0 || next > limit) {
            complete = false;
            break;
        }
        v = next;
    }
    // Two's complement by hand: converting an out-of-range value to int32_t is not portable.
    auto to_int32 = [](uint64_t x) -> int32_t {
        x &= 0xFFFFFFFFull;
        return x > 0x7FFFFFFFull ? static_cast<int32_t>(static_cast<int64_t>(x) - 0x100000000ll)
                                 : static_cast<int32_t>(x);
    };
    if (!complete || !negative) return to_int32(v);
    return to_int32(0x100000000ull - v);
}

bool StrToBoolVal(const AnsiString& s) { return StrToIntVal(s) != 0; }

void SetOrdinalValue(TOrdType kind, void* variable, int64_t value) {
    if (variable == nullptr) return;
    const uint64_t bits = static_cast<uint64_t>(value);
    switch (kind) {
        case TOrdType::SignedByte:
        case TOrdType::UnsignedByte: {
            uint8_t v = static_cast<uint8_t>(bits);
            std::memcpy(variable, &v, sizeof(v));
            break;
        }
        case TOrdType::SignedWord:
        case TOrdType::UnsignedWord: {
            uint16_t v = static_cast<uint16_t>(bits);
            std::memcpy(variable, &v, sizeof(v));
            break;
        }
        case TOrdType::SignedLong:
        case TOrdType::UnsignedLong: {
            uint32_t v = static_cast<uint32_t>(bits);
            std::memcpy(variable, &v, sizeof(v));
            break;
        }
        case TOrdType::Other:
            break;
    }
}

AnsiString AbuseBaseUrl() {
    // Kept enciphered so the address does not sit in the program as plain text.
    const char* hex = zm_abuse::kCipherHex;
    AnsiString url;
    uint8_t key = zm_abuse::kSeed;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
        int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
        if (hi < 0 || lo < 0) return AnsiString();
        url.push_back(static_cast<char>(((hi << 4) | lo) ^ key));
        key = static_cast<uint8_t>(key * zm_abuse::kStep + zm_abuse::kAdd);
    }
    return url;
}
