#include "common/abuseurl.h"

#include <cstdint>

#include "common/abuse_url.h"
#include "common/numbers.h"

AnsiString AbuseBaseUrl() {
    // Kept enciphered so the address does not sit in the program as plain text.
    const char* hex = zm_abuse::kCipherHex;
    AnsiString url;
    uint8_t key = zm_abuse::kSeed;
    for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
        int hi = HexDigitValue(hex[i]), lo = HexDigitValue(hex[i + 1]);
        if (hi < 0 || lo < 0) return AnsiString();
        url.push_back(static_cast<char>(((hi << 4) | lo) ^ key));
        key = static_cast<uint8_t>(key * zm_abuse::kStep + zm_abuse::kAdd);
    }
    return url;
}
