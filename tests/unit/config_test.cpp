#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "config/ucfg.h"
#include "platform/codepage.h"

namespace {

std::vector<std::pair<AnsiString, UString>> Entries(const TConfig& c) {
    std::vector<std::pair<AnsiString, UString>> out;
    for (const auto& e : c.Items()) {
        out.emplace_back(e.Key, static_cast<TStringValue*>(e.Object)->Value);
    }
    return out;
}

using Pairs = std::vector<std::pair<AnsiString, UString>>;

TEST(ConfigStore, LineRules) {
    TConfig c;
    // CR LF ends a line; "=" inside a value stays; a line without "=" and an empty line add
    // nothing; blanks are kept; a later value of a key wins at the key's first position.
    c.LoadFromText("a=1\r\nb=x=y\r\nno equals\r\n\r\n k = v \r\nA=2\r\n=empty key");
    EXPECT_EQ(Entries(c), (Pairs{{"a", u"2"}, {"b", u"x=y"}, {" k ", u" v "}, {"", u"empty key"}}));
    EXPECT_EQ(c.GetValue(u" k "), u" v ");
    EXPECT_EQ(c.GetValue(u"k"), u"");
}

TEST(ConfigStore, LoneCrOrLfStaysInsideTheLine) {
    TConfig c;
    c.LoadFromText("a=1\nb=2\rc=3");
    EXPECT_EQ(Entries(c), (Pairs{{"a", u"1\nb=2\rc=3"}}));
    TConfig d;
    d.LoadFromText("x\ny=1\r\n");
    EXPECT_EQ(Entries(d), (Pairs{{"x\ny", u"1"}}));
}

TEST(ConfigStore, LoadingAddsToWhatIsThereAndToStringsRoundTrips) {
    TConfig c;
    EXPECT_TRUE(c.ToStrings().empty());
    c.LoadFromText("one=1\r\ntwo=2");
    c.LoadFromText("TWO=22\r\nthree=3\r\n");
    EXPECT_EQ(c.ToStrings(), (std::vector<AnsiString>{"one=1", "two=22", "three=3"}));
    TConfig copy;
    std::string text;
    for (const auto& l : c.ToStrings()) text += l + "\r\n";
    copy.LoadFromText(text);
    EXPECT_EQ(Entries(copy), Entries(c));
}

// Letters beyond ASCII that the system code page can hold: Cyrillic on a Windows-1251 (or UTF-8)
// system, West European letters on a Windows-1252 one.
struct Letters {
    UString lower, upper;
};
Letters PageLetters() {
    AnsiString probe;
    if (platform::WideToAnsiExact(u"ключ", probe)) return {u"ключ", u"КЛЮЧ"};
    return {u"größe", u"GRÖßE"};
}

TEST(ConfigStore, KeysIgnoreLetterCaseBeyondAscii) {
    TConfig c;
    c.SetValue(u"Title", u"first");
    c.SetValue(u"TITLE", u"second");
    c.SetValue(u"title", u"third");
    EXPECT_EQ(c.Count(), 1u);
    EXPECT_EQ(c.Items()[0].Key, "Title") << "the first spelling of a key is kept";
    EXPECT_EQ(c.GetValue(u"tItLe"), u"third");
    // Values keep characters of any script, whatever the system code page.
    c.SetValue(u"w", u"日本語 ё");
    EXPECT_EQ(c.GetValue(u"W"), u"日本語 ё");
    const Letters l = PageLetters();
    c.SetValue(l.lower, u"1");
    c.SetValue(l.upper, u"2");
    EXPECT_EQ(c.GetValue(l.lower), u"2");
    EXPECT_EQ(c.Count(), 3u);
    EXPECT_EQ(c.Items()[2].Key, platform::WideToAnsi(l.lower));
    // Keys are different when their letters differ, not only their case.
    c.SetValue(l.lower + u"x", u"3");
    EXPECT_EQ(c.Count(), 4u);
}

TEST(ConfigStore, ReplacedObjectsAreFreedOnlyByAnOwningStore) {
    struct Counted : TObject {
        explicit Counted(int* n) : alive(n) { ++*alive; }
        ~Counted() override { --*alive; }
        int* alive;
    };
    int alive = 0;
    {
        TAssocArray owning(true);
        owning.Put(u"k", new Counted(&alive));
        owning.Put(u"K", new Counted(&alive));
        EXPECT_EQ(alive, 1);
        TObject* same = owning.Get(u"k");
        owning.Put(u"k", same);  // putting the carried object again must not free it
        EXPECT_EQ(alive, 1);
        EXPECT_EQ(owning.Get(u"k"), same);
        owning.Put(u"other", nullptr);
        EXPECT_EQ(owning.Count(), 2u);
    }
    EXPECT_EQ(alive, 0);

    Counted a(&alive), b(&alive);
    {
        TAssocArray borrowing(false);
        borrowing.Put(u"k", &a);
        borrowing.Put(u"k", &b);
        EXPECT_EQ(borrowing.Get(u"K"), &b);
        borrowing.Clear();
        EXPECT_EQ(borrowing.Count(), 0u);
    }
    EXPECT_EQ(alive, 2) << "a store that does not own its objects freed one";
}

TEST(ConfigStore, EightBitTextFollowsTheSystemCodePage) {
    const Letters l = PageLetters();
    const AnsiString key = platform::WideToAnsi(l.upper), value = platform::WideToAnsi(l.lower);
    TConfig c;
    c.LoadFromText(key + "=" + value);
    EXPECT_EQ(c.GetValue(l.lower), l.lower);
    EXPECT_EQ(c.ToStrings(), (std::vector<AnsiString>{key + "=" + value}));
}

}  // namespace
