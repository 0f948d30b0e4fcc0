#include "lang/utextformat.h"

#include <vector>

namespace {

UString Decimal(int64_t n) {
    // Built from the unsigned magnitude so that the most negative value has a text too.
    uint64_t m = n < 0 ? 0 - static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
    UString digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + m % 10));
        m /= 10;
    } while (m != 0);
    if (n < 0) digits.insert(digits.begin(), u'-');
    return digits;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads a small decimal number; very long digit runs are capped so a hostile width cannot ask
// for gigabytes of padding.
size_t ReadCount(const UString& s, size_t& i) {
    size_t n = 0;
    while (i < s.size() && IsDigit(s[i])) {
        n = n * 10 + static_cast<size_t>(s[i] - u'0');
        if (n > 1024) n = 1024;
        ++i;
    }
    return n;
}

}  // namespace

UString FormatText(const UString& pattern, std::initializer_list<TFormatArg> args) {
    std::vector<const TFormatArg*> list;
    for (const TFormatArg& a : args) list.push_back(&a);
    size_t next = 0;
    UString out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != u'%') {
            out += pattern[i];
            continue;
        }
        const size_t start = i;
        ++i;
        if (i < pattern.size() && pattern[i] == u'%') {
            out += u'%';
            continue;
        }
        bool left = false;
        if (i < pattern.size() && pattern[i] == u'-') {
            left = true;
            ++i;
        }
        size_t width = ReadCount(pattern, i);
        size_t precision = 0;
        if (i < pattern.size() && pattern[i] == u'.') {
            ++i;
            precision = ReadCount(pattern, i);
        }
        if (i >= pattern.size() || (pattern[i] != u's' && pattern[i] != u'd' &&
                                    pattern[i] != u'S' && pattern[i] != u'D')) {
            // Not a placeholder we know: keep the text as written.
            out += pattern.substr(start, i < pattern.size() ? i - start + 1 : i - start);
            continue;
        }
        const bool number = pattern[i] == u'd' || pattern[i] == u'D';
        UString piece;
        if (next < list.size()) {
            const TFormatArg& a = *list[next];
            if (a.IsText()) {
                piece = a.Text();
            } else {
                piece = Decimal(a.Number());
                if (number && precision > 0) {
                    // At least `precision` digits, zeros in front (after the sign).
                    const bool neg = !piece.empty() && piece[0] == u'-';
                    size_t digits = piece.size() - (neg ? 1 : 0);
                    if (digits < precision) {
                        piece.insert(neg ? 1 : 0, precision - digits, u'0');
                    }
                }
            }
            if (!number && precision > 0 && piece.size() > precision) piece.resize(precision);
        }
        ++next;
        if (piece.size() < width) {
            UString pad(width - piece.size(), u' ');
            piece = left ? piece + pad : pad + piece;
        }
        out += piece;
    }
    return out;
}
