#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/resources.h"

namespace {

std::string U8(const UString& s) { return platform::WideToUtf8(s); }
AnsiString Pack(const std::string& utf8_body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + utf8_body;
}

const char* const kRuEn =
    "<pack version=\"3\">"
    "<lang langid=\"ru\" langname=\"Русский\" engname=\"Russian\">"
    "<s id=\"100045\">Далее!</s><s id=\"23\">Привет, %s</s></lang>"
    "<lang langid=\"en\" langname=\"English\" engname=\"English\">"
    "<s id=\"100045\">Next</s><s id=\"23\">Welcome to %s</s><s id=\"7\">only en</s></lang>"
    "</pack>";

// Each test starts from a fresh manager, as the process does.
class LanguagesTest : public ::testing::Test {
  protected:
    TLanguages langs;
};

TEST_F(LanguagesTest, NothingLoadedGivesBuiltInTexts) {
    langs.SetCurrentLanguage("en");
    EXPECT_FALSE(langs.Loaded());
    EXPECT_EQ(langs.LanguageList(), nullptr);
    EXPECT_EQ(langs.GetTextById(100045, u"Далее"), u"Далее");
    EXPECT_EQ(langs.GetText(u"100045", u"en", u"Далее"), u"Далее");
}

TEST_F(LanguagesTest, LanguageFallbackOrder) {
    ASSERT_TRUE(langs.LoadFromString(Pack(kRuEn)));
    EXPECT_EQ(langs.PackVersion(), 3);

    // A language the pack lacks uses "en", for every id.
    langs.SetCurrentLanguage("de");
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"Next");
    EXPECT_EQ(langs.GetTextById(23, u"x"), u"Welcome to %s");

    // The id is matched without regard to case.
    langs.SetCurrentLanguage("EN");
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"Next");

    // No fallback to another language for a missing id once a language is found.
    langs.SetCurrentLanguage("ru");
    EXPECT_EQ(langs.GetTextById(7, u"встроенный"), u"встроенный");
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"Далее!");

    // An empty id means "ru" for a lookup.
    EXPECT_EQ(langs.GetText(u"100045", u"", u"x"), u"Далее!");

    // Setting an empty language changes nothing; an unknown one is kept as given.
    langs.SetCurrentLanguage("");
    EXPECT_EQ(langs.CurrentLanguage(), "ru");
    langs.SetCurrentLanguage("xx");
    EXPECT_EQ(langs.CurrentLanguage(), "xx");
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"Next");
}

TEST_F(LanguagesTest, EmptyCurrentUsesRussianOrElseEnglish) {
    ASSERT_TRUE(langs.LoadFromString(Pack(kRuEn)));
    EXPECT_EQ(langs.GetText(u"23", u"", u"x"), u"Привет, %s");

    ASSERT_TRUE(langs.LoadFromString(
        Pack("<p><lang langid=\"en\" langname=\"E\" engname=\"E\"><s id=\"1\">one</s></lang>"
             "<lang langid=\"pl\" langname=\"P\" engname=\"P\"><s id=\"1\">jeden</s></lang></p>")));
    EXPECT_EQ(langs.GetText(u"1", u"", u"x"), u"one");

    // Neither the language nor "en": the built-in text.
    ASSERT_TRUE(langs.LoadFromString(Pack(
        "<p><lang langid=\"pl\" langname=\"P\" engname=\"P\"><s id=\"1\">jeden</s></lang></p>")));
    EXPECT_EQ(langs.GetText(u"1", u"de", u"built-in"), u"built-in");
}

TEST_F(LanguagesTest, EmptyTextKeepsBuiltInEvenWhenEnglishHasOne) {
    ASSERT_TRUE(langs.LoadFromString(
        Pack("<p><lang langid=\"de\" langname=\"D\" engname=\"G\"><s id=\"5\"></s>"
             "<s id=\"6\">  </s></lang>"
             "<lang langid=\"en\" langname=\"E\" engname=\"E\"><s id=\"5\">Error</s></lang></p>")));
    langs.SetCurrentLanguage("de");
    EXPECT_EQ(langs.GetTextById(5, u"Ошибка"), u"Ошибка");
    // White space alone between tags is not kept as text, so it is empty too.
    EXPECT_EQ(langs.GetTextById(6, u"x"), u"x");
}

TEST_F(LanguagesTest, DuplicatesLaterIdWinsFirstLanguageWins) {
    ASSERT_TRUE(langs.LoadFromString(
        Pack("<p><lang langid=\"en\" langname=\"A\" engname=\"A\">"
             "<s id=\"1\">first</s><s id=\"2\">two</s><s id=\"1\">second</s></lang>"
             "<lang langid=\"EN\" langname=\"B\" engname=\"B\"><s id=\"1\">other</s></lang></p>")));
    langs.SetCurrentLanguage("en");
    EXPECT_EQ(langs.GetTextById(1, u"x"), u"second");
    ASSERT_NE(langs.LanguageList(), nullptr);
    ASSERT_EQ(langs.LanguageList()->size(), 2u) << "both languages are listed";
    EXPECT_EQ((*langs.LanguageList())[0]->Strings->Count(), 2u) << "a repeated id is one entry";
    EXPECT_EQ(U8((*langs.LanguageList())[1]->DisplayName), "B (B)");
}

TEST_F(LanguagesTest, IncompleteElementsAreSkippedNotFatal) {
    ASSERT_TRUE(langs.LoadFromString(
        Pack("<p><lang langname=\"No id\" engname=\"X\"><s id=\"1\">a</s></lang>"
             "<lang langid=\"fr\" engname=\"French\"><s id=\"1\">b</s></lang>"
             "<lang langid=\"de\" langname=\"Deutsch\"><s id=\"1\">c</s></lang>"
             "<group><lang langid=\"en\" langname=\"English\" engname=\"English\">"
             "<!-- note --><s>no id</s>stray text<s id=\"1\">one<b> bold</b>\\nend</s>"
             "<?pi x?></lang></group></p>")));
    ASSERT_EQ(langs.LanguageList()->size(), 1u);
    const TLanguage& en = *(*langs.LanguageList())[0];
    EXPECT_EQ(en.LangId, "en");
    EXPECT_EQ(en.Strings->Count(), 1u);
    langs.SetCurrentLanguage("fr");
    EXPECT_EQ(langs.GetTextById(1, u"x"), u"one bold\r\nend")
        << "descendant text joined, line break expanded, lang found at any depth";
    EXPECT_EQ(langs.PackVersion(), 0) << "no version attribute";
}

TEST_F(LanguagesTest, BrokenPackChangesNothing) {
    EXPECT_FALSE(langs.LoadFromString(""));
    EXPECT_FALSE(langs.LoadFromString("<p><lang langid=\"en\" langname=\"E\" engname=\"E\">"));
    EXPECT_FALSE(langs.LoadFromString("not xml at all"));
    EXPECT_FALSE(langs.Loaded());
    EXPECT_EQ(langs.GetText(u"1", u"en", u"built-in"), u"built-in");

    // A broken second pack leaves the first one in place.
    ASSERT_TRUE(langs.LoadFromString(Pack(kRuEn)));
    langs.SetCurrentLanguage("en");
    EXPECT_FALSE(langs.LoadFromString("<broken"));
    EXPECT_TRUE(langs.Loaded());
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"Next");

    // A good second pack replaces every language and keeps the current one.
    ASSERT_TRUE(langs.LoadFromString(Pack(
        "<p><lang langid=\"de\" langname=\"D\" engname=\"G\"><s id=\"1\">eins</s></lang></p>")));
    EXPECT_EQ(langs.CurrentLanguage(), "en");
    EXPECT_EQ(langs.LanguageList()->size(), 1u);
    EXPECT_EQ(langs.GetTextById(100045, u"x"), u"x");
}

TEST(ExpandLineBreaks, SplitsAtBackslashNOnly) {
    EXPECT_EQ(ExpandLineBreaks(u"one\\ntwo"), u"one\r\ntwo");
    EXPECT_EQ(ExpandLineBreaks(u"plain text"), u"plain text");
    EXPECT_EQ(ExpandLineBreaks(u"end\\n"), u"end\r\n");
    EXPECT_EQ(ExpandLineBreaks(u"\\n\\n"), u"\r\n\r\n");
    // No other escapes: a doubled backslash stays, and its second half starts a new match.
    EXPECT_EQ(ExpandLineBreaks(u"a\\\\nb"), u"a\\\r\nb");
    EXPECT_EQ(ExpandLineBreaks(u"a\\tb\\"), u"a\\tb\\");
    EXPECT_EQ(ExpandLineBreaks(u""), u"");
}

// The same pack in UTF-16 with a byte-order mark and in a declared Windows-1251.
std::string Utf16LeWithBom(const UString& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::string Cp1251(const UString& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c >= 0x0410 && c <= 0x044F) {
            out.push_back(static_cast<char>(0xC0 + (c - 0x0410)));
        } else if (c == 0x0401) {
            out.push_back(static_cast<char>(0xA8));
        } else if (c == 0x0451) {
            out.push_back(static_cast<char>(0xB8));
        } else {
            ADD_FAILURE() << "test text outside the table: " << static_cast<int>(c);
        }
    }
    return out;
}

TEST(LanguagePackEncoding, Utf16AndWindows1251GiveTheSameTexts) {
    const UString body =
        u"<p version=\"2\"><lang langid=\"ru\" langname=\"Русский\" engname=\"Russian\">"
        u"<s id=\"1\">Архив повреждён, распаковка невозможна.</s>"
        u"<s id=\"11\">Файл %s существует.\\n\\nПерезаписать?</s></lang></p>";
    TLanguages a, b;
    ASSERT_TRUE(
        a.LoadFromString(Utf16LeWithBom(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + body)));
    ASSERT_TRUE(
        b.LoadFromString(Cp1251(u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>" + body)));
    for (TLanguages* l : {&a, &b}) {
        l->SetCurrentLanguage("ru");
        EXPECT_EQ(l->GetTextById(1, u"x"), u"Архив повреждён, распаковка невозможна.");
        EXPECT_EQ(l->GetTextById(11, u"x"), u"Файл %s существует.\r\n\r\nПерезаписать?");
        EXPECT_EQ(l->PackVersion(), 2);
        EXPECT_EQ(U8((*l->LanguageList())[0]->DisplayName), "Русский (Russian)");
    }
}

// The pack the product ships: every language has every id with the Russian text's
// placeholders in the same order, and the Russian language is the built-in text.
TEST(ShippedPack, CoversEveryIdInEveryLanguage) {
    platform::RcData rc;
    ASSERT_TRUE(platform::FindRcData("LANGPACK", rc));
    TLanguages langs;
    ASSERT_TRUE(langs.LoadFromString(std::string(reinterpret_cast<const char*>(rc.data), rc.size)));
    std::vector<std::string> codes;
    for (const auto& l : *langs.LanguageList()) codes.push_back(l->LangId);
    EXPECT_EQ(codes, (std::vector<std::string>{"ru", "en", "de", "fr", "es", "uk", "pl"}));

    const std::regex placeholder("%[sd]");
    auto placeholders = [&](const UString& text) {
        std::string s = U8(text), all;
        for (auto it = std::sregex_iterator(s.begin(), s.end(), placeholder);
             it != std::sregex_iterator(); ++it) {
            all += it->str();
        }
        return all;
    };
    // The installer's table and the pack's Russian agree, and no id is in the table twice.
    std::set<int32_t> seen;
    for (const TTextId& t : texts::kAll) {
        EXPECT_TRUE(seen.insert(t.id).second) << "id " << t.id << " twice";
        EXPECT_EQ(U8(t.builtin),
                  U8(langs.GetText(platform::Utf8ToWide(std::to_string(t.id)), u"ru", u"")))
            << "id " << t.id;
    }
    for (const std::string& code : codes) {
        for (const TTextId& t : texts::kAll) {
            const int32_t id = t.id;
            UString ru = langs.GetText(platform::Utf8ToWide(std::to_string(id)), u"ru", u"");
            UString text = langs.GetText(platform::Utf8ToWide(std::to_string(id)),
                                         platform::Utf8ToWide(code), u"");
            EXPECT_FALSE(text.empty()) << code << " lacks id " << id;
            EXPECT_EQ(placeholders(text), placeholders(ru)) << code << " id " << id;
            EXPECT_EQ(text.find(u"\\n"), UString::npos) << code << " id " << id;
        }
    }
    EXPECT_EQ(langs.GetText(u"100045", u"ru", u""), u"Далее");
    EXPECT_EQ(langs.GetText(u"11", u"ru", u""), u"Файл %s существует.\r\n\r\nПерезаписать?");
    EXPECT_EQ(langs.GetText(u"30", u"ru", u"").substr(0, 44),
              u"Программа установит %s на Ваш компьютер.\r\n\r\n");
    EXPECT_EQ(langs.GetText(u"100045", u"en", u""), u"Next");
    EXPECT_EQ(U8(langs.LanguageList()->at(2)->DisplayName), "Deutsch (German)");
}

}  // namespace
