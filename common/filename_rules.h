#pragma once
// The checks and repairs of common/filenames.h, for 8-bit and UTF-16 text alike; not for other
// units. What is a device name and which characters no name may hold are the engine's rules
// (engine/entryname.h), so the default folder and the entries below it are judged alike; the
// repair itself (what is trimmed and left out) is this module's.
#include <type_traits>

#include "engine/entryname.h"
#include "platform/codepage.h"

namespace filename_rules {

template <class Ch>
unsigned Code(Ch c) {
    return static_cast<unsigned>(static_cast<typename std::make_unsigned<Ch>::type>(c));
}

// The forbidden characters are all ASCII, so 8-bit text in any code page is read byte by byte.
template <class Ch>
bool IsForbiddenChar(Ch c) {
    const unsigned u = Code(c);
    return u < 128 && engine::IsForbiddenNameChar(static_cast<char16_t>(u));
}

// A device name may hold a superscript digit (COM¹), which only the code page knows.
inline bool IsReserved(const UString& name) { return engine::IsReservedDeviceName(name); }
inline bool IsReserved(const AnsiString& name) {
    return engine::IsReservedDeviceName(platform::AnsiToWide(name));
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
bool IsValidName(const S& name) {
    const S t = TrimControlAndBlanks(TrimRight(name, '.'));
    if (t.empty() || IsReserved(t)) return false;
    for (auto c : t) {
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
