#include "engine/entryname.h"

namespace engine {
namespace {

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; }

bool IsDelimiter(char16_t c) { return c == u'/' || c == u'\\'; }

// Characters no part of a stored name may contain: those of no file name, and DEL (a name that
// works on one system and not the other is refused on both).
bool IsForbiddenPartChar(char16_t c) { return IsForbiddenNameChar(c) || c == 0x7F; }

// Look-alikes that a best-fit narrowing to an 8-bit code page turns into a delimiter, a stream
// separator or a forbidden character: "..\uFF0Fx" would become "../x" on the way to the system.
bool IsLookAlike(char16_t c) {
    switch (c) {
        case u'\u2044':
        case u'\u2215':
        case u'\u2216':
        case u'\u2236':
        case u'\u29F5':
        case u'\u29F8':
        case u'\u29F9':
        case u'\uA789':
        case u'\uFE55':
        case u'\uFE68':
        case u'\uFF02':
        case u'\uFF0A':
        case u'\uFF0F':
        case u'\uFF1A':
        case u'\uFF1C':
        case u'\uFF1E':
        case u'\uFF1F':
        case u'\uFF3C':
        case u'\uFF5C':
            return true;
        default:
            return false;
    }
}

bool IsDeviceDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || c == u'\u00B9' || c == u'\u00B2' || c == u'\u00B3';
}

const char* CheckPart(const UString& part) {
    if (part.empty()) return "empty name part";
    if (part == u"..") return "parent folder part";
    for (char16_t c : part)
        if (IsForbiddenPartChar(c)) return c == u':' ? "drive or stream name" : "invalid character";
    for (char16_t c : part)
        if (IsLookAlike(c)) return "look-alike of a delimiter or reserved character";
    char16_t last = part.back();
    if (last == u'.' || last == u' ') return "name part ends with a dot or space";
    if (IsReservedDeviceName(part)) return "reserved device name";
    return nullptr;
}

}  // namespace

bool IsForbiddenNameChar(char16_t c) {
    switch (c) {
        case u'"':
        case u'*':
        case u'/':
        case u':':
        case u'<':
        case u'>':
        case u'?':
        case u'\\':
        case u'|':
            return true;
        default:
            return c < 0x20;
    }
}

bool IsReservedDeviceName(const UString& part) {
    // The system ignores everything from the first dot and trailing spaces before it.
    UString base = part.substr(0, part.find(u'.'));
    while (!base.empty() && (base.back() == u' ' || base.back() == u'.')) base.pop_back();
    for (auto& c : base) c = Upper(c);
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL" || base == u"CONIN$" ||
        base == u"CONOUT$" || base == u"CLOCK$")
        return true;
    if (base.size() == 4 && (base.compare(0, 3, u"COM") == 0 || base.compare(0, 3, u"LPT") == 0))
        return IsDeviceDigit(base[3]);
    return false;
}

SafeEntryName CheckEntryName(const UString& name, bool flatten) {
    SafeEntryName r;
    if (name.empty()) {
        r.reason = "empty name";
        return r;
    }
    if (IsDelimiter(name[0])) {
        r.reason = "absolute path";  // also \\server, \\?\ and \\.\ forms
        return r;
    }
    if (name.size() >= 2 && name[1] == u':') {
        r.reason = "drive letter";
        return r;
    }
    size_t end = name.size();
    if (IsDelimiter(name[end - 1])) {
        r.is_directory = true;
        --end;
    }
    size_t start = 0;
    while (start <= end) {
        size_t cut = start;
        while (cut < end && !IsDelimiter(name[cut])) ++cut;
        UString part = name.substr(start, cut - start);
        start = cut + 1;
        // "." names the folder it is in (archivers that start from "." write "./x"): no part.
        if (part == u".") continue;
        if (const char* why = CheckPart(part)) {
            r.parts.clear();
            r.reason = why;
            return r;
        }
        r.parts.push_back(part);
    }
    if (r.parts.empty() && !r.is_directory) {
        r.reason = "no file name";
        return r;
    }
    if (flatten && r.parts.size() > 1) r.parts.erase(r.parts.begin(), r.parts.end() - 1);
    r.ok = true;
    return r;
}

}  // namespace engine
