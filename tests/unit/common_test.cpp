#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "common/ZM_Common.h"
#include "common/littleendian.h"
#include "platform/files.h"
#include "platform/shell.h"
#include "tests/unit/testutil.h"

namespace {

TEST(FileNames, ReservedDeviceNamesAndForbiddenCharacters) {
    const char* invalid[] = {"CON.TXT", "con",   " nul ",   "LPT1.doc", "com9",
                             "Aux.",    "",      "...",     "a<b",      "tab\there",
                             "x?",      "pipe|", "quote\"", "star*"};
    for (const char* n : invalid) EXPECT_FALSE(IsValidFileName(n)) << n;
    const char* valid[] = {"COM10", "CONSOLE", "LPT10", "Game", "a.b.c", "NUL_", "CONIN"};
    for (const char* n : valid) EXPECT_TRUE(IsValidFileName(n)) << n;
    // The engine's rule decides what is a device, for the folder as for the entries below it:
    // the system ignores all from the first dot, and knows more devices than the classic 22.
    testutil::CodePageScope western(1252);
    for (const char* n : {"Aux.tar.gz", "COM1 .txt", "CONIN$", "conout$.log", "Clock$", "LPT\xB9"})
        EXPECT_FALSE(IsValidFileName(n)) << n;
    EXPECT_EQ(MakeValidFileName(UString(u"com\u00B3")), u"");
    EXPECT_EQ(MakeValidFileName(UString(u"CONOUT$.")), u"");
}

TEST(FileNames, RepairLeavesOutWhatCannotBeKept) {
    EXPECT_EQ(MakeValidFileName("My Game: Deluxe..."), "My Game Deluxe");
    EXPECT_EQ(MakeValidFileName("  nul  "), "");
    EXPECT_EQ(MakeValidFileName("a/b\\c"), "abc");
    EXPECT_EQ(MakeValidFileName("..."), "");
    EXPECT_EQ(MakeValidFileName("<COM1>"), "") << "repaired into a device name";
    EXPECT_EQ(MakeValidFileName("Tab\tGame?\r\n"), "TabGame");
    // 8-bit letters of the system code page pass through untouched.
    EXPECT_EQ(MakeValidFileName("\xC8\xE3\xF0\xE0"), "\xC8\xE3\xF0\xE0");
}

TEST(FileNames, Utf16RepairKeepsWhatTheCodePageLacks) {
    // A title the code page cannot hold names its folder as it is: the same rules, no '?'.
    EXPECT_EQ(MakeValidFileName(UString(u"Ζωή: 日本 😀 Zażółć...")), u"Ζωή 日本 😀 Zażółć");
    EXPECT_EQ(MakeValidFileName(UString(u"  nul  ")), u"");
    EXPECT_EQ(MakeValidFileName(UString(u"\u4E2D/\u6587\\?")), u"\u4E2D\u6587");
    EXPECT_EQ(MakeValidFileName(UString(u"<COM1>")), u"") << "repaired into a device name";
    EXPECT_FALSE(IsValidFileName(UString(u"LPT1.\u6587")));
    EXPECT_TRUE(IsValidFileName(UString(u"LPT1\u6587")));
    EXPECT_FALSE(IsValidFileName(UString(u"a\u0007b")));
}

TEST(Shell, PathsReachTheShellExactly) {
    testutil::CodePageScope western(1252);
    std::vector<UString> seen;
    platform::SetShellOpenHook([&](const UString& t) { seen.push_back(t); });
    const UString plain = u"C:\\Games\\";
    const UString foreign = u"C:\\\u4E2D\u6587 \U0001F600\\Zaża\\App.exe";
    ShellOpenPath(plain);
    ShellOpenPath(foreign);
    ShellOpenPath(UString());
    platform::SetShellOpenHook(nullptr);
    ASSERT_EQ(2u, seen.size()) << "an empty path opens nothing";
    EXPECT_EQ(plain, seen[0]);
    EXPECT_EQ(foreign, seen[1]) << "never narrowed into '?'";
}

TEST(Paths, TrailingDelimiterAndOwnFolder) {
    const char16_t d = platform::PathDelimiter();
    const UString games = u"C:" + UString(1, d) + u"Games";
    EXPECT_EQ(IncludeTrailingBackslash(games), games + d);
    EXPECT_EQ(IncludeTrailingBackslash(games + d), games + d);
    EXPECT_EQ(TrimRightChar("abc...", '.'), "abc");
    EXPECT_EQ(TrimRightChar("...", '.'), "");
    EXPECT_EQ(TrimRightChar("a.b", '.'), "a.b");

    const UString exe = GetExeName();
    const UString folder = GetAppFolder();
    ASSERT_FALSE(exe.empty());
    EXPECT_TRUE(platform::FileExists(exe));
    ASSERT_FALSE(folder.empty());
    EXPECT_TRUE(platform::IsPathDelimiter(folder.back()));
    EXPECT_EQ(exe.compare(0, folder.size(), folder), 0);
    EXPECT_EQ(exe.find(d, folder.size()), UString::npos);
}

TEST(Numbers, StrToIntValIsLenient) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"", 0},
        {"   ", 0},
        {"42", 42},
        {"  -17", -17},
        {"+5", 5},
        {"$1F", 31},
        {"x1f", 31},
        {"X10", 16},
        {"0x10", 16},
        {"0X7fffffff", 2147483647},
        {"$FFFFFFFF", -1},
        {"-$10", -16},
        {"12a", 12},
        {"-12a", 12},
        {"yes", 0},
        {"$", 0},
        {"0x", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", 214748364},
        {"99999999999999999999", 999999999},
        {"$123456789", 0x12345678},
        {"007", 7},
    };
    for (const auto& c : cases) EXPECT_EQ(StrToIntVal(c.text), c.value) << "'" << c.text << "'";
    EXPECT_TRUE(StrToBoolVal("1"));
    EXPECT_TRUE(StrToBoolVal("$8"));
    EXPECT_FALSE(StrToBoolVal("0"));
    EXPECT_FALSE(StrToBoolVal("true"));
}

TEST(Numbers, RealConversions) {
    EXPECT_DOUBLE_EQ(StrToFloatDot("0,15"), 0.15);
    EXPECT_DOUBLE_EQ(StrToFloatDot("2.5"), 2.5);
    EXPECT_DOUBLE_EQ(StrToFloatDot(" -1,5e2 "), -150.0);
    EXPECT_EQ(StrToFloatDot("abc"), 0.0);
    EXPECT_EQ(StrToFloatDot("1.5x"), 0.0);
    EXPECT_EQ(StrToFloatDot(""), 0.0);
    EXPECT_EQ(StrToFloatDot("1e999"), 0.0) << "out of range is no number";
    EXPECT_DOUBLE_EQ(StrToFloatVal("3.25abc"), 3.25);
    EXPECT_DOUBLE_EQ(StrToFloatVal("  .5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloatVal("7e"), 7.0);
    EXPECT_EQ(StrToFloatVal("."), 0.0);
    EXPECT_EQ(StrToFloatVal("0,5"), 0.0);
}

TEST(Ordinals, StoreOnlyTheWidthOfTheKind) {
    unsigned char mem[8];
    auto fill = [&] {
        for (auto& b : mem) b = 0xEE;
    };
    fill();
    SetOrdinalValue(TOrdType::UnsignedByte, mem, 0x1234);
    EXPECT_EQ(mem[0], 0x34);
    EXPECT_EQ(mem[1], 0xEE);
    fill();
    SetOrdinalValue(TOrdType::SignedWord, mem, -2);
    uint16_t w;
    std::memcpy(&w, mem, 2);
    EXPECT_EQ(w, 0xFFFE);
    EXPECT_EQ(mem[2], 0xEE);
    fill();
    SetOrdinalValue(TOrdType::UnsignedLong, mem, 0x1122334455667788ll);
    uint32_t l;
    std::memcpy(&l, mem, 4);
    EXPECT_EQ(l, 0x55667788u);
    EXPECT_EQ(mem[4], 0xEE);
    fill();
    SetOrdinalValue(TOrdType::Other, mem, 1);
    EXPECT_EQ(mem[0], 0xEE);
}

TEST(LittleEndian, HighBytesNeitherSignExtendNorTruncate) {
    const uint8_t b[8] = {0x01, 0x82, 0x83, 0xF4, 0x85, 0x86, 0x87, 0xF8};
    EXPECT_EQ(le::Get16(b), 0x8201u);
    EXPECT_EQ(le::Get32(b), 0xF4838201u);
    EXPECT_EQ(le::Get64(b), 0xF8878685F4838201ull);
    // At an odd offset, as the fields of packed records lie.
    EXPECT_EQ(le::Get16(b + 3), 0x85F4u);
    EXPECT_EQ(le::Get32(b + 3), 0x878685F4u);
}

TEST(AbuseUrl, DecipheredFromTheBuildOption) {
    const AnsiString url = AbuseBaseUrl();
    EXPECT_EQ(url, ZM_TEST_ABUSE_URL);
}

}  // namespace
