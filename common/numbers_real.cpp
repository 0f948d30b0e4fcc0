// The lenient real conversions of common/numbers.h, in a file of their own: the C runtime's
// strtod behind them is about 20 KB, which a program that converts no reals (the installer) then
// does not carry.
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "common/numbers.h"

namespace {

AnsiString TrimControlAndBlanks(const AnsiString& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
    return s.substr(b, e - b);
}

// Length of the longest leading real number in s from pos (digits, one ".", an exponent).
size_t RealPrefixLength(const AnsiString& s, size_t pos) {
    size_t i = pos;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        size_t j = i + 1, frac = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++frac;
        if (digits + frac > 0) i = j, digits += frac;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t exp_digits = 0;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j, ++exp_digits;
        if (exp_digits > 0) i = j;
    }
    return i - pos;
}

// number: text RealPrefixLength accepted in full. strtod instead of a stream keeps the C++ locale
// machinery (a good part of the program's size) out of the program; it reads the decimal point of
// the C locale in force, so the '.' is swapped for that one first.
double ParseReal(const AnsiString& number) {
    AnsiString text = number;
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] != '\0' && std::strcmp(point, ".") != 0) {
        size_t dot = text.find('.');
        if (dot != AnsiString::npos) text.replace(dot, 1, point);
    }
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    // Overflow is a failed conversion, which a lenient conversion turns into 0; underflow keeps
    // the nearest value, as a stream read would.
    if (end == text.c_str() || v == HUGE_VAL || v == -HUGE_VAL) return 0.0;
    return v;
}

}  // namespace

double StrToFloatVal(const AnsiString& s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    size_t n = RealPrefixLength(s, i);
    return n == 0 ? 0.0 : ParseReal(s.substr(i, n));
}

double StrToFloatDot(const AnsiString& s) {
    AnsiString t = TrimControlAndBlanks(s);
    for (auto& c : t)
        if (c == ',') c = '.';
    if (t.empty() || RealPrefixLength(t, 0) != t.size()) return 0.0;
    return ParseReal(t);
}
