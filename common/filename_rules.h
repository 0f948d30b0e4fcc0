#pragma once
// The file-name rules behind the checks and repairs of common/filenames.h, for 8-bit and UTF-16
// text alike; not for other units.
#include <cstring>
#include <type_traits>

namespace filename_rules {

inline const char* const kReservedNames[] = {
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

}  // namespace filename_rules
