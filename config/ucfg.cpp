#include "config/ucfg.h"

#include "platform/codepage.h"

namespace {

// The comparison form of a key: what survives the trip to the system code page, upper-cased.
UString FoldKey(const AnsiString& key8) { return platform::WideUpper(platform::AnsiToWide(key8)); }

}  // namespace

TAssocArray::TAssocArray(bool owns_objects) : owns_objects_(owns_objects) {}

TAssocArray::~TAssocArray() { Clear(); }

int TAssocArray::IndexOf(const UString& key) const {
    const UString folded = FoldKey(platform::WideToAnsi(key));
    for (size_t i = 0; i < folded_.size(); ++i) {
        if (folded_[i].upper == folded) return static_cast<int>(i);
    }
    return -1;
}

TObject* TAssocArray::Get(const UString& key) const {
    int i = IndexOf(key);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].Object;
}

void TAssocArray::Put(const UString& key, TObject* object) {
    const AnsiString key8 = platform::WideToAnsi(key);
    int i = IndexOf(key);
    if (i >= 0) {
        TAssocEntry& e = items_[static_cast<size_t>(i)];
        if (e.Object != object && owns_objects_) delete e.Object;
        e.Object = object;
        return;
    }
    items_.push_back(TAssocEntry{key8, object});
    folded_.push_back(Folded{FoldKey(key8)});
}

void TAssocArray::Clear() {
    if (owns_objects_) {
        for (auto& e : items_) delete e.Object;
    }
    items_.clear();
    folded_.clear();
}

UString TConfig::GetValue(const UString& key) const {
    auto* v = dynamic_cast<TStringValue*>(Get(key));
    return v ? v->Value : UString();
}

void TConfig::SetValue(const UString& key, const UString& value) {
    Put(key, new TStringValue(value));
}

void TConfig::LoadFromText(const AnsiString& text) {
    const AnsiString all = text + "\r\n";
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find("\r\n", start);
        if (end == AnsiString::npos) end = all.size();  // cannot happen: the text ends in CR LF
        size_t eq = all.find('=', start);
        if (eq != AnsiString::npos && eq < end) {
            SetValue(platform::AnsiToWide(all.substr(start, eq - start)),
                     platform::AnsiToWide(all.substr(eq + 1, end - eq - 1)));
        }
        start = end + 2;
    }
}

std::vector<AnsiString> TConfig::ToStrings() const {
    std::vector<AnsiString> lines;
    lines.reserve(Items().size());
    for (const auto& e : Items()) {
        auto* v = dynamic_cast<TStringValue*>(e.Object);
        lines.push_back(e.Key + "=" + platform::WideToAnsi(v ? v->Value : UString()));
    }
    return lines;
}
