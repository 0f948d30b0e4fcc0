#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/resources.h"
#include "tests/unit/lz77_testutil.h"
#include "zip/EZMZipper.h"
#include "zip/ZMMessages.h"

namespace {

using lz77test::BuildRes;
using lz77test::PackLiterals;
using lz77test::Record;

const unsigned char* Bytes(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

TEST(MessageTable, BuiltInTableHoldsEveryMessage) {
    TZMMessageTable t;
    ASSERT_TRUE(t.LoadDefault());
    EXPECT_EQ(t.LanguageId(), 0x0409);
    EXPECT_EQ(t.Name(), "US");
    const std::map<int, std::string> expected = {
        {10102, "Error - no zip file specified!"},
        {10103, "Requested memory not available"},
        {10109, "not Active"},
        {10112, "Busy + %s"},
        {10124, "critical DLL Error %d"},
        {10125, " Unknown error %d"},
        {10128, "User Abort"},
        {10131, "Skipping not allowed"},
        {10202, "Unknown error in List() function"},
        {10502, "Warning - Unattended Extract: possible not all files extracted"},
        {10504, "Extract directory '%s' must exist"},
        {10650, "Failed to load %s"},
        {10651, "Unable to load %s - It is old or corrupt"},
        {10652, "Loaded %s"},
        {10653, "Unloaded %s"},
        {10654, "Error [%d %s] loading %s"},
        {11002, "Zip file could not be opened"},
        {11007, "User canceled operation"},
        {11027, "Temporary file could not be created"},
    };
    for (const auto& e : expected) EXPECT_EQ(t.Text(e.first), e.second) << "id " << e.first;

    // Engine errors by n, at both ends and where a blank ends the text.
    EXPECT_EQ(t.Text(11648 + 3), "Callback exception");
    EXPECT_EQ(t.Text(11648 + 9), "Invalid zip structure!");
    EXPECT_EQ(t.Text(11648 + 27), "Error ");
    EXPECT_EQ(t.Text(11648 + 29), "Warning: ");
    EXPECT_EQ(t.Text(11648 + 35), "Duplicate internal name");
    for (int n = 3; n <= 35; ++n) EXPECT_FALSE(t.Text(11648 + n).empty()) << "n " << n;
    EXPECT_EQ(t.Text(11648 + 36), "");
    for (int step = 0; step < 8; ++step)
        EXPECT_FALSE(t.Text(11400 + step).empty()) << "step " << step;

    // Ids the table lacks: in a block it has, in a block it lacks, and nonsense.
    EXPECT_EQ(t.Text(10100), "");
    EXPECT_EQ(t.Text(20000), "");
    EXPECT_EQ(t.Text(-1), "");
    EXPECT_EQ(t.Text(0x7FFFFFFF), "");
}

TEST(MessageTable, PublicLookupNamesMissingIds) {
    EXPECT_EQ(ZMLoadStr(11007), "User canceled operation");
    EXPECT_EQ(ZMMessageText(11007), "User canceled operation");
    EXPECT_EQ(ZMLoadStr(12345), "");
    EXPECT_EQ(ZMMessageText(12345), "Resource missing for 12345");
    EXPECT_EQ(ZMMessageText(11684).substr(0, 16), "Resource missing");
}

std::string Table(const std::u16string& text, uint16_t lang) {
    return PackLiterals(BuildRes({{10650, text}, {10651, u"same"}}, lang));
}

TEST(MessageTable, RecordsChosenByLanguageOrName) {
    std::string chain = Record(0x0407, "DE", Table(u"Laden von %s fehlgeschlagen", 0x0407)) +
                        Record(0x0419, "RU", Table(u"Не загружена %s", 0x0419)) +
                        Record(0x0809, "UK", Table(u"UK text", 0x0809)) +
                        Record(0x0409, "US", Table(u"Failed to load %s", 0x0409));
    auto wide = [&](uint16_t lang, const std::string& name) {
        TZMMessageTable t;
        bool found = false;
        if (!t.LoadFromChain(Bytes(chain), chain.size(), lang, name)) return std::u16string(u"-");
        return t.WideText(10650, found);
    };
    EXPECT_EQ(wide(0x0419, ""), u"Не загружена %s");
    EXPECT_EQ(wide(0x0409, ""), u"Failed to load %s");
    // Only a primary language: the first record with that primary part.
    EXPECT_EQ(wide(0x0009, ""), u"UK text");
    EXPECT_EQ(wide(0x0007, ""), u"Laden von %s fehlgeschlagen");
    // A full id that is not there does not fall back to its primary language.
    EXPECT_EQ(wide(0x0c07, ""), u"-");
    // By name, letters in any case.
    EXPECT_EQ(wide(0, "ru"), u"Не загружена %s");
    EXPECT_EQ(wide(0x1234, "Us"), u"Failed to load %s");
    EXPECT_EQ(wide(0, ""), u"-");
    EXPECT_EQ(wide(0, "FR"), u"-");

    // A failed choice leaves the table as it was.
    TZMMessageTable t;
    ASSERT_TRUE(t.LoadFromChain(Bytes(chain), chain.size(), 0, "DE"));
    EXPECT_FALSE(t.LoadFromChain(Bytes(chain), chain.size(), 0, "XX"));
    EXPECT_EQ(t.Name(), "DE");
    EXPECT_EQ(t.Text(10651), "same");
}

TEST(MessageTable, ChainEndsWithinItsLast26Bytes) {
    std::string first = Record(0x0409, "US", Table(u"x", 0x0409));
    // A second record header that starts exactly 27, then 26, bytes before the end.
    for (size_t tail : {27u, 26u}) {
        std::string second = Record(0x0407, "DE", std::string(tail - 8, 'z'));
        ASSERT_EQ(second.size(), tail);
        std::string chain = first + second;
        auto list = ZMListMessageRecords(Bytes(chain), chain.size());
        ASSERT_EQ(list.size(), tail == 27 ? 2u : 1u) << "tail " << tail;
        EXPECT_EQ(list[0].Name, "US");
        EXPECT_EQ(list[0].StreamOffset, 8u);
    }
    // Headers and names that run past the end stop the walk.
    std::string cut = Record(0x0409, "US", std::string(30, 'a'));
    cut[4] = '\x50';  // name length 80
    EXPECT_TRUE(ZMListMessageRecords(Bytes(cut), cut.size()).empty());
    EXPECT_TRUE(ZMListMessageRecords(nullptr, 100).empty());
}

TEST(MessageTable, ExpansionMustStayBelow50000Bytes) {
    std::string res = BuildRes({{10650, u"fits"}}, 0x0409);
    for (size_t total : {49999u, 50000u}) {
        std::string padded = res + std::string(total - res.size(), '\0');
        std::string chain = Record(0x0409, "US", PackLiterals(padded));
        TZMMessageTable t;
        bool ok = t.LoadFromChain(Bytes(chain), chain.size(), 0x0409, "");
        EXPECT_EQ(ok, total == 49999u) << "expanded size " << total;
        if (ok) {
            EXPECT_EQ(t.Text(10650), "fits");
        }
    }
}

TEST(MessageTable, DamagedTablesGiveNoText) {
    std::string good = Table(u"text", 0x0409);
    // The record's stream is cut by the end of the chain.
    std::string cut = Record(0x0409, "US", good).substr(0, 8 + good.size() - 5);
    TZMMessageTable t;
    EXPECT_FALSE(t.LoadFromChain(Bytes(cut), cut.size(), 0x0409, ""));

    // Expanded, but not a sound .res image: lookups fail quietly.
    std::string res = BuildRes({{10650, u"text"}}, 0x0409);
    std::string broken_length = res;
    broken_length[32 + 32 + 2 * 10] = '\x7F';  // slot 10 (id 10650) claims 127 characters
    std::string broken_header = res;
    broken_header[32 + 4] = '\xFF';  // header size past the end
    std::string garbage(300, '\xEE');
    for (const std::string& body : {broken_length, broken_header, garbage}) {
        std::string chain = Record(0x0409, "US", PackLiterals(body));
        TZMMessageTable b;
        ASSERT_TRUE(b.LoadFromChain(Bytes(chain), chain.size(), 0x0409, ""));
        EXPECT_EQ(b.Text(10650), "");
        EXPECT_EQ(b.Text(10651), "");
    }
}

// Every single-byte change of a real record: the reader stays inside its data (run it under the
// sanitizer build) and never returns more text than a string slot can hold.
TEST(MessageTable, EveryByteFlipIsSurvived) {
    std::string res = BuildRes({{10650, u"Failed to load %s"}, {11007, u"User canceled"}}, 0x409);
    std::string chain = Record(0x0409, "US", PackLiterals(res)) + std::string(30, '\0');
    int loaded = 0;
    for (size_t i = 0; i < chain.size() - 30; ++i) {
        std::string bad = chain;
        bad[i] = static_cast<char>(bad[i] ^ 0xA5);
        TZMMessageTable t;
        if (!t.LoadFromChain(Bytes(bad), bad.size(), 0x0409, "US")) continue;
        ++loaded;
        for (int id : {10650, 11007, 11008, 10640}) EXPECT_LT(t.Text(id).size(), 65536u);
    }
    EXPECT_GT(loaded, 0);
}

TEST(MessageTable, ProgramResourceSelectsLanguage) {
    std::string chain = Record(0x0407, "DE", Table(u"Laden von %s fehlgeschlagen", 0x0407));
    platform::OverrideRcData("ZEResStr19", Bytes(chain), chain.size());
    EXPECT_TRUE(ZMSetMessageLanguage(0x0407, ""));
    EXPECT_EQ(ZMLoadStr(10650), "Laden von %s fehlgeschlagen");
    EXPECT_EQ(ZMMessageText(11007).substr(0, 16), "Resource missing");
    EXPECT_FALSE(ZMSetMessageLanguage(0, "FR"));
    EXPECT_EQ(ZMLoadStr(10650), "Failed to load %s");
    platform::OverrideRcData("ZEResStr19", nullptr, 0);
    EXPECT_FALSE(ZMSetMessageLanguage(0x0407, ""));
    EXPECT_EQ(ZMLoadStr(11007), "User canceled operation");
}

TEST(MessageTable, FormatFillsArgumentsInOrder) {
    EXPECT_EQ(ZMFormat("Error [%d %s] loading %s", {"5", "Access denied", "x.dll"}),
              "Error [5 Access denied] loading x.dll");
    EXPECT_EQ(ZMFormat("100%% of %s%", {"it"}), "100% of it%");
    EXPECT_EQ(ZMFormat("%s and %s", {"one"}), "one and ");
    EXPECT_EQ(ZMFormat("%x %s", {"%s"}), "%x %s") << "arguments are not formats";
}

TEST(EZMZipperTest, CodesAndMessages) {
    EZMZipper plain(11007);
    EXPECT_EQ(plain.Code(), 11007);
    EXPECT_EQ(plain.Message(), "User canceled operation");
    EXPECT_STREQ(plain.what(), "User canceled operation");

    EXPECT_EQ(EZMZipper(10504, "C:\\dest").Message(), "Extract directory 'C:\\dest' must exist");
    EXPECT_EQ(EZMZipper(10654, "5", "denied").Message(), "Error [5 denied] loading ");

    // Negative codes of the component's range are kept as their absolute value, others as given.
    EXPECT_EQ(EZMZipper(-10096).Code(), 10096);
    EXPECT_EQ(EZMZipper(-11603).Code(), 11603);
    EXPECT_EQ(EZMZipper(-10650).Message(), "Failed to load %s") << "as it stands";
    EXPECT_EQ(EZMZipper(-10095).Code(), -10095);
    EXPECT_EQ(EZMZipper(-11604).Code(), -11604);
    EXPECT_EQ(EZMZipper(-5).Code(), -5);

    // A code the table lacks still says something.
    EXPECT_EQ(EZMZipper(11684).Message(), " Unknown error 11684");
    EXPECT_EQ(EZMZipper::WithMessage(-10650, "own text").Code(), 10650);
    EXPECT_EQ(EZMZipper::WithMessage(1, "own text").Message(), "own text");
}

}  // namespace
