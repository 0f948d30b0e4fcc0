#include "lang/ulng.h"

#include <cstdlib>

#include "common/xmldoc.h"
#include "platform/codepage.h"
#include "platform/process.h"

TLanguages Languages;
uint8_t HideRussianLanguage = 0;

namespace {

// The pack's version number; text that is not a whole number in range gives 0.
int32_t ParseVersion(const UString& text) {
    std::string s = platform::WideToUtf8(text);
    if (s.empty()) return 0;
    char* end = nullptr;
    long long v = std::strtoll(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<int32_t>(v);
}

}  // namespace

TLanguages::TLanguages() {
    AnsiString ui_lang = GetUserUILanguage();
    if (!ui_lang.empty()) current_ = ui_lang;
}

bool TLanguages::LoadFromString(const AnsiString& pack) {
    XmlDocument doc;
    if (!doc.Load(pack)) return false;
    return LoadFromDocument(doc);
}

bool TLanguages::LoadFromDocument(const XmlDocument& doc) {
    loaded_ = false;
    ids_.clear();
    items_.clear();
    XmlElement root = doc.DocumentElement();
    pack_version_ = root ? ParseVersion(root.Attribute(u"version")) : 0;
    for (const XmlElement& lang : doc.SelectAll(u"lang")) {
        bool has_id = false, has_name = false, has_eng = false;
        UString id = lang.Attribute(u"langid", &has_id);
        UString name = lang.Attribute(u"langname", &has_name);
        UString eng = lang.Attribute(u"engname", &has_eng);
        if (!has_id || !has_name || !has_eng) continue;
        auto language = std::make_unique<TLanguage>();
        language->LangId = platform::WideToAnsi(id);
        language->DisplayName = name + u" (" + eng + u")";
        language->Strings = std::make_unique<TConfig>();
        for (const XmlElement& child : lang.Children()) {
            bool has_key = false;
            UString key = child.Attribute(u"id", &has_key);
            if (!has_key) continue;
            language->Strings->SetValue(key, ExpandLineBreaks(child.Text()));
        }
        ids_.emplace_back(platform::AnsiToWide(language->LangId), language.get());
        items_.push_back(std::move(language));
    }
    loaded_ = true;
    return true;
}

const std::vector<std::unique_ptr<TLanguage>>* TLanguages::LanguageList() const {
    return loaded_ ? &items_ : nullptr;
}

const TLanguage* TLanguages::Find(const UString& id) const {
    for (const auto& entry : ids_) {
        if (platform::SameTextNoCase(entry.first, id)) return entry.second;
    }
    return nullptr;
}

UString TLanguages::GetText(const UString& key, const UString& lang_id,
                            const UString& default_text) const {
    if (!loaded_) return default_text;
    const TLanguage* lang = Find(lang_id.empty() ? UString(u"ru") : lang_id);
    if (lang == nullptr) lang = Find(u"en");
    if (lang == nullptr) return default_text;
    UString value = lang->Strings->GetValue(key);
    return value.empty() ? default_text : value;
}

UString TLanguages::GetCurrentText(const UString& key, const UString& default_text) const {
    return GetText(key, platform::AnsiToWide(current_), default_text);
}

UString TLanguages::GetTextById(int32_t id, const UString& default_text) const {
    return GetCurrentText(platform::Utf8ToWide(std::to_string(id)), default_text);
}

void TLanguages::SetCurrentLanguage(const AnsiString& id) {
    if (!id.empty()) current_ = id;
}

UString ExpandLineBreaks(const UString& text) {
    UString out;
    out.reserve(text.size());
    size_t start = 0;
    for (;;) {
        size_t at = text.find(u"\\n", start);
        if (at == UString::npos) break;
        out.append(text, start, at - start);
        out += u"\r\n";
        start = at + 2;
    }
    out.append(text, start, UString::npos);
    return out;
}

AnsiString GetUserUILanguage() { return platform::UserUILanguageIso639(); }
