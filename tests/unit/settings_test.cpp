#include <gtest/gtest.h>

#include <string>

#include "package/ZMArchiveConfig.h"
#include "platform/codepage.h"

namespace {

// The key names behind the digests of ArchiveId, Title, WelcomeText and LanguageId.
const char kXml[] =
    "<config>\r\n"
    "  <archive_id>$2A</archive_id>\r\n"
    "  <archive_name>Game <b>Deluxe</b></archive_name>\r\n"
    "  <archive_desc>Welcome!</archive_desc>\r\n"
    "  <langid>en</langid>\r\n"
    "  <free>text</free>\r\n"
    "</config>";

void ExpectSettings(const TZMArchiveConfig& c, const char* what) {
    ASSERT_TRUE(c.Settings) << what;
    const TZMArchiveSettings& s = *c.Settings;
    EXPECT_EQ(s.ArchiveId, 42) << what;
    EXPECT_EQ(s.Title, u"Game Deluxe") << what;
    EXPECT_EQ(s.WelcomeText, u"Welcome!") << what;
    EXPECT_EQ(s.LanguageId, "en") << what;
    EXPECT_FALSE(s.TitleFromFileName) << what;
    EXPECT_FALSE(s.HideRussianLanguage) << what;
    EXPECT_EQ(c.GetValue("FREE"), u"text") << what;
    EXPECT_EQ(c.GetValue("absent"), u"") << what;
}

TEST(ArchiveConfig, XmlAndTextPathsGiveTheSameSettings) {
    TZMArchiveConfig xml;
    ASSERT_TRUE(xml.LoadFromXml(kXml));
    ExpectSettings(xml, "xml");
    EXPECT_EQ(xml.Values->Count(), 5u);

    const char text[] =
        "archive_id=$2A\r\narchive_name=Game Deluxe\r\narchive_desc=Welcome!\r\nlangid=en\r\n"
        "free=text";
    TZMArchiveConfig lines;
    EXPECT_FALSE(lines.LoadFromXml(text)) << "key=value lines are no XML";
    ASSERT_TRUE(lines.LoadFromText(text));
    ExpectSettings(lines, "text");
}

TEST(ArchiveConfig, EveryEncodingOfTheDocumentGivesTheSameValues) {
    const UString title = u"Игра «Люкс»";
    auto doc = [](const std::string& decl, const std::string& title_bytes) {
        return decl + "<c><archive_name>" + title_bytes + "</archive_name><language>ru</language>" +
               "</c>";
    };
    const std::string utf8 = platform::WideToUtf8(title);
    std::string utf16le = "\xFF\xFE";
    for (char16_t ch : platform::Utf8ToWide(doc("<?xml version=\"1.0\"?>", utf8))) {
        utf16le += static_cast<char>(ch & 0xFF);
        utf16le += static_cast<char>(ch >> 8);
    }
    const std::string cp1251 = "\xC8\xE3\xF0\xE0 \xAB\xCB\xFE\xEA\xF1\xBB";
    const std::pair<const char*, std::string> cases[] = {
        {"UTF-8 with mark", "\xEF\xBB\xBF" + doc("<?xml version=\"1.0\"?>", utf8)},
        {"UTF-16 LE", utf16le},
        {"windows-1251 declared", doc("<?xml version=\"1.0\" encoding=\"windows-1251\"?>", cp1251)},
    };
    for (const auto& c : cases) {
        TZMArchiveConfig cfg;
        ASSERT_TRUE(cfg.LoadFromXml(c.second)) << c.first;
        EXPECT_EQ(cfg.Settings->Title, title) << c.first;
        EXPECT_EQ(cfg.GetValue("archive_name"), title) << c.first;
        EXPECT_EQ(cfg.Settings->LanguageId, "ru") << c.first;
    }
}

TEST(ArchiveConfig, DigestsDecideAndLaterKeysWin) {
    TZMArchiveConfig c;
    // A case-different name has another digest; of the two LanguageId keys the later one wins;
    // integers are read leniently.
    ASSERT_TRUE(c.LoadFromText(
        "Archive_Name=wrong case\r\nlanguage=de\r\nlangid=fr\r\narchive_id=12a\r\n"));
    EXPECT_EQ(c.Settings->Title, u"");
    EXPECT_EQ(c.Settings->LanguageId, "fr");
    EXPECT_EQ(c.Settings->ArchiveId, 12);
    EXPECT_EQ(c.GetValue("archive_name"), u"wrong case") << "the value itself is still there";

    // Loading more text adds to the values; a re-set key keeps its first position, so the
    // LanguageId keys keep their order and the later-positioned one still wins.
    ASSERT_TRUE(c.LoadFromText("language=it\r\narchive_id=yes"));
    EXPECT_EQ(c.Settings->LanguageId, "fr");
    EXPECT_EQ(c.Settings->ArchiveId, 0);
}

TEST(ArchiveConfig, NothingUsableGivesFalse) {
    const char* texts[] = {"", "no keys here", "<config/>", "<config>   </config>"};
    for (const char* t : texts) {
        TZMArchiveConfig c;
        EXPECT_FALSE(c.LoadFromXml(t) || c.LoadFromText(t)) << "'" << t << "'";
    }
    // A well-formed document without children falls back to the lines of the same text.
    TZMArchiveConfig c;
    EXPECT_FALSE(c.LoadFromXml("<a>x=1</a>"));
    EXPECT_TRUE(c.LoadFromText("<a>x=1</a>"));
    EXPECT_EQ(c.GetValue("<a>x"), u"1</a>");
    // ParseSettings with no values does nothing.
    TZMArchiveConfig empty;
    empty.ParseSettings();
    EXPECT_FALSE(empty.Settings);
    EXPECT_EQ(empty.GetValue("x"), u"");
}

}  // namespace
