#include "package/ZMArchiveConfig.h"

#include <cstring>

#include "common/numbers.h"
#include "common/xmldoc.h"
#include "platform/codepage.h"
#include "platform/md5.h"

bool TZMArchiveConfig::LoadFromXml(const AnsiString& text) {
    XmlDocument doc;
    if (!doc.Load(text)) return false;
    if (!Values) Values = std::make_unique<TConfig>();
    for (const XmlElement& e : doc.DocumentElement().Children()) {
        Values->SetValue(e.Name(), e.Text());
    }
    const bool result = Values->Count() > 0;
    ParseSettings();
    return result;
}

bool TZMArchiveConfig::LoadFromText(const AnsiString& text) {
    TConfig parsed;
    parsed.LoadFromText(text);
    if (!Values) Values = std::make_unique<TConfig>();
    for (const auto& e : parsed.Items()) {
        auto* v = dynamic_cast<TStringValue*>(e.Object);
        Values->SetValue(platform::AnsiToWide(e.Key), v ? v->Value : UString());
    }
    const bool result = Values->Count() > 0;
    ParseSettings();
    return result;
}

void TZMArchiveConfig::ParseSettings() {
    if (!Values) return;
    if (!Settings) Settings = std::make_unique<TZMArchiveSettings>();
    TZMArchiveSettings& s = *Settings;
    for (const AnsiString& line : Values->ToStrings()) {
        const size_t eq = line.find('=');
        const AnsiString name = line.substr(0, eq);
        const AnsiString value = eq == AnsiString::npos ? AnsiString() : line.substr(eq + 1);
        const std::string digest = platform::Md5HexUpper(name.data(), name.size());
        using namespace zmsettings;
        if (digest == kArchiveId) {
            s.ArchiveId = StrToIntVal(value);
        } else if (digest == kTitle) {
            s.Title = Values->GetValue(platform::AnsiToWide(name));
        } else if (digest == kWelcomeText) {
            s.WelcomeText = Values->GetValue(platform::AnsiToWide(name));
        } else if (digest == kTitleFromFileName) {
            s.TitleFromFileName = StrToBoolVal(value);
        } else if (digest == kLanguageId || digest == kLanguageIdAlt) {
            s.LanguageId = value;
        } else if (digest == kHideRussianLanguage) {
            s.HideRussianLanguage = StrToBoolVal(value);
        }
    }
}

UString TZMArchiveConfig::GetValue(const AnsiString& name) const {
    return Values ? Values->GetValue(platform::AnsiToWide(name)) : UString();
}
