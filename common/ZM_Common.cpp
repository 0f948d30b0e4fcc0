#include "common/ZM_Common.h"

#include <cstring>
#include <limits>

#include "common/abuse_url.h"
#include "common/filename_rules.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pathparts.h"
#include "platform/folderdlg.h"
#include "platform/process.h"
#include "platform/shell.h"

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

UString GetExeName() { return platform::GetExeName(); }

UString GetAppFolder() { return IncludeTrailingBackslash(platform::FolderPart(GetExeName())); }

UString IncludeTrailingBackslash(const UString& path) {
    if (!path.empty() && platform::IsPathDelimiter(path.back())) return path;
    return path + platform::PathDelimiter();
}

UString SystemPathName(const UString& stored) {
    UString name = stored;
    const char16_t delimiter = platform::PathDelimiter();
    for (char16_t& c : name)
        if (c == u'/') c = delimiter;
    return name;
}

UString MakeValidFileName(const UString& text) { return filename_rules::MakeValidName(text); }

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
