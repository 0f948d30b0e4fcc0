#include "common/numbers.h"

#include <cstring>

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
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
        int d = hex ? HexDigitValue(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
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
