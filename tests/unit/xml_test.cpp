#include <gtest/gtest.h>

#include <string>

#include "common/xmldoc.h"
#include "platform/codepage.h"

namespace {

// <config><title>Привет</title><note>a<b>b</b><![CDATA[c]]></note><title>x</title></config>
// in each encoding under test.
const char kCyrillicUtf8[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";  // Привет
const char kCyrillic1251[] = "\xCF\xF0\xE8\xE2\xE5\xF2";
const char kCyrillicKoi8[] = "\xF0\xD2\xC9\xD7\xC5\xD4";

std::string Body(const std::string& word) {
    return "<config>\r\n  <title>" + word +
           "</title>\r\n  <note>a<b>b</b><![CDATA[c]]></note>\r\n  <title>x</title>\r\n</config>";
}

std::string Utf16(const std::string& utf8, bool big_endian, bool bom) {
    UString w = platform::Utf8ToWide(utf8);
    std::string out;
    if (bom) out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : w) {
        char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
}

void ExpectSameDocument(const std::string& bytes, const char* what) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(bytes)) << what << ": " << doc.Error();
    XmlElement root = doc.DocumentElement();
    EXPECT_EQ(root.Name(), u"config") << what;
    auto kids = root.Children();
    ASSERT_EQ(kids.size(), 3u) << what;
    EXPECT_EQ(kids[0].Text(), u"Привет") << what;
    EXPECT_EQ(kids[1].Text(), u"abc") << what;
    EXPECT_EQ(kids[2].Name(), u"title") << what;
}

TEST(XmlDocument, EveryEncodingGivesTheSameTree) {
    const std::string decl8 = "<?xml version=\"1.0\"?>\r\n";
    ExpectSameDocument(decl8 + Body(kCyrillicUtf8), "UTF-8 without mark");
    ExpectSameDocument("\xEF\xBB\xBF" + decl8 + Body(kCyrillicUtf8), "UTF-8 with mark");
    const std::string decl16 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
    ExpectSameDocument(Utf16(decl16 + Body(kCyrillicUtf8), false, true), "UTF-16 LE");
    ExpectSameDocument(Utf16(decl16 + Body(kCyrillicUtf8), true, true), "UTF-16 BE");
    ExpectSameDocument(Utf16(Body(kCyrillicUtf8), false, false), "UTF-16 LE without mark");
    ExpectSameDocument("<?xml version=\"1.0\" encoding=\"windows-1251\"?>" + Body(kCyrillic1251),
                       "windows-1251");
    ExpectSameDocument("<?xml version='1.0' encoding = 'KOI8-R' ?>" + Body(kCyrillicKoi8),
                       "koi8-r, other quoting and spacing");
}

TEST(XmlDocument, DeclaredEightBitEncodingDecodesAttributesToo) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Load("<?xml version=\"1.0\" encoding=\"iso-8859-5\"?><l n=\"\xBF\"/>"));
    EXPECT_EQ(doc.DocumentElement().Attribute(u"n"), u"П");
}

TEST(XmlDocument, RefusesWhatIsNotOneWellFormedDocument) {
    const char* bad[] = {
        "",
        "archive_name=Game\r\narchive_id=5",
        "<a><b></a>",
        "<a>text</a><b/>",
        "<a/>trailing",
        "<?xml version=\"1.0\" encoding=\"x-unheard-of\"?><a/>",
        "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>",
        "<!DOCTYPE a SYSTEM \"http://example.invalid/a.dtd\"><a/>",
        "\xFF\xFE<\0a\0/\0>",  // odd byte count after the mark
    };
    for (const char* text : bad) {
        XmlDocument doc;
        std::string bytes(text, text + std::char_traits<char>::length(text));
        EXPECT_FALSE(doc.Load(bytes)) << "accepted: " << bytes;
        EXPECT_TRUE(doc.DocumentElement().IsNull());
    }
    XmlDocument doc;
    EXPECT_FALSE(doc.Load(std::string("\xFF\xFE<\0a\0/\0>\0\0", 11)));
}

TEST(XmlDocument, TextAttributesAndSelection) {
    XmlDocument doc;
    ASSERT_TRUE(
        doc.Load("<lpk>\n  <lang id=\"en\" name=\"\">\n    <s>one &amp; two</s>\n  </lang>\n"
                 "  <group><lang id=\"ru\"><lang id=\"nested\"/></lang></group>\n</lpk>"));
    XmlElement root = doc.DocumentElement();
    // White space between elements is no text of its own.
    EXPECT_EQ(root.Text(), u"one & two");
    auto all = doc.SelectAll(u"lang");
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].Attribute(u"id"), u"en");
    EXPECT_EQ(all[1].Attribute(u"id"), u"ru");
    EXPECT_EQ(all[2].Attribute(u"id"), u"nested");
    EXPECT_EQ(all[1].Descendants(u"lang").size(), 1u);
    bool present = false;
    EXPECT_EQ(all[0].Attribute(u"name", &present), u"");
    EXPECT_TRUE(present);
    EXPECT_FALSE(all[0].HasAttribute(u"missing"));
    EXPECT_TRUE(all[0].HasAttribute(u"name"));
    EXPECT_EQ(doc.SelectAll(u"lpk").size(), 1u);
    EXPECT_TRUE(doc.SelectAll(u"LANG").empty()) << "element names are case-sensitive";
    // A null element answers everything with nothing.
    XmlElement none;
    EXPECT_TRUE(none.Children().empty());
    EXPECT_EQ(none.Text(), u"");
    EXPECT_EQ(none.Name(), u"");
}

TEST(XmlDocument, DeepNestingNeitherCrashesNorLosesText) {
    const int depth = 50000;
    std::string s;
    for (int i = 0; i < depth; ++i) s += "<d>";
    s += "deep";
    for (int i = 0; i < depth; ++i) s += "</d>";
    XmlDocument doc;
    ASSERT_TRUE(doc.Load(s)) << doc.Error();
    EXPECT_EQ(doc.DocumentElement().Text(), u"deep");
    EXPECT_EQ(doc.SelectAll(u"d").size(), static_cast<size_t>(depth));
}

}  // namespace
