#pragma once
// The language manager: the languages of a language pack, text lookup by numeric id with the
// built-in text as the last fallback, the language chooser and captioning of a window by Tag.
//
// Pack layout (XML; encoding from its byte-order mark or declaration):
//   <anyroot version="1">                         version: integer, optional (0)
//     <lang langid="en" langname="English" engname="English">   at any depth, document order
//       <s id="100045">Next</s>                   any element name; id: decimal string id
//       <s id="23">Welcome to %s\nsetup</s>       \n (backslash, n) becomes CR LF
//     </lang>
//   </anyroot>
// A lang element lacking langid, langname or engname is skipped, as is a child without id.
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "config/ucfg.h"
#include "lang/texts.h"
#include "platform/types.h"

class XmlDocument;
namespace ui {
class TComponent;
}

class TLanguage {
  public:
    AnsiString LangId;
    // "native name (English name)", as the language list shows it.
    UString DisplayName;
    // String id (decimal text) -> text.
    std::unique_ptr<TConfig> Strings;
};

class TLanguages {
  public:
    TLanguages();

    // Parses a pack; false, and nothing changed, when the text is not a well-formed document.
    // A later successful load replaces every language but keeps CurrentLanguage.
    bool LoadFromString(const AnsiString& pack);
    bool LoadFromDocument(const XmlDocument& doc);

    // The languages in pack order, or null when no pack is loaded.
    const std::vector<std::unique_ptr<TLanguage>>* LanguageList() const;

    // The text of the key in the language (empty id: "ru"; a language the pack lacks: "en"),
    // or default_text when the language is not found, lacks the key or holds an empty text.
    UString GetText(const UString& key, const UString& lang_id, const UString& default_text) const;
    UString GetCurrentText(const UString& key, const UString& default_text) const;
    UString GetTextById(int32_t id, const UString& default_text) const;
    // A text of the installer's table (lang/texts.h): the pack's, else the built-in one.
    UString Text(const TTextId& text) const { return GetTextById(text.id, text.builtin); }

    const AnsiString& CurrentLanguage() const { return current_; }
    // An empty id changes nothing; any other is kept as given, known to the pack or not.
    void SetCurrentLanguage(const AnsiString& id);

    bool Loaded() const { return loaded_; }
    int32_t PackVersion() const { return pack_version_; }

  private:
    const TLanguage* Find(const UString& id) const;

    std::vector<std::unique_ptr<TLanguage>> items_;
    // LangId -> language; compared without regard to case, first match wins.
    std::vector<std::pair<UString, TLanguage*>> ids_;
    bool loaded_ = false;
    AnsiString current_;
    int32_t pack_version_ = 0;
};

// The process's language manager; at module start its current language is the user's
// interface language.
extern TLanguages Languages;
// Leaves "ru" out of the language list (start-up copies it from the package settings).
extern uint8_t HideRussianLanguage;

// Splits the text at every backslash-n and joins the pieces with CR LF.
UString ExpandLineBreaks(const UString& text);
// The two-letter ISO 639 code of the user's interface language, or empty.
AnsiString GetUserUILanguage();

// Captions root and every component it owns whose Tag is above 100000 with the text of that id
// (labels, edits, memos, buttons, speed buttons, check boxes; a popup menu's items by their own
// Tag). The current caption is the default, so an id without a text keeps it.
void TranslateComponent(ui::TComponent& root);
// Adds the languages to the combo box, each with its TLanguage attached, and selects the current
// one (exact match; else the first).
void FillLanguageList(ui::TComponent& combo);
// The modal "Choose your language" dialog; however it is closed, the selected language becomes
// the current one.
void ChooseLanguage();
