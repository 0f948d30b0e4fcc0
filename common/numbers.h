#pragma once
// Lenient number conversions of configuration texts, and storing into ordinal variables.
#include <cstdint>

#include "platform/types.h"

// The value of a hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(char c);
// Lenient integer: leading blanks, optional sign, "$", "x" or "0x" for hexadecimal. At the first
// character that does not belong (or a digit that would overflow) the digits read so far are the
// value, without the sign. Empty text gives 0.
int32_t StrToIntVal(const AnsiString& s);
// Lenient real with "." as the decimal separator; the longest leading number, 0 when none.
double StrToFloatVal(const AnsiString& s);
// A real with "," or "." as the decimal separator; 0 unless the whole text is a number.
double StrToFloatDot(const AnsiString& s);
// StrToIntVal(s) != 0.
bool StrToBoolVal(const AnsiString& s);

// Storage kinds of ordinal variables.
enum class TOrdType {
    SignedByte,
    UnsignedByte,
    SignedWord,
    UnsignedWord,
    SignedLong,
    UnsignedLong,
    Other
};
// Stores the low 8, 16 or 32 bits of value at the variable's address, by its kind; nothing for
// other kinds.
void SetOrdinalValue(TOrdType kind, void* variable, int64_t value);
