#pragma once
// The key/value store behind the package configuration and each language of the language pack.
// Keys are handed in as UTF-16, kept as 8-bit text in the system code page (characters the page
// lacks do not survive in keys; values keep them), compared without regard to letter case and
// kept in insertion order. Lookups are linear: the stores hold a few dozen keys.
#include <memory>
#include <vector>

#include "platform/types.h"

// Root of every object a store can carry.
class TObject {
  public:
    virtual ~TObject() = default;
};

// One boxed wide string.
class TStringValue : public TObject {
  public:
    explicit TStringValue(const UString& value) : Value(value) {}
    UString Value;
};

struct TAssocEntry {
    AnsiString Key;
    TObject* Object = nullptr;
};

class TAssocArray {
  public:
    explicit TAssocArray(bool owns_objects);
    virtual ~TAssocArray();
    TAssocArray(const TAssocArray&) = delete;
    TAssocArray& operator=(const TAssocArray&) = delete;

    // The object of the entry whose key matches, or null.
    TObject* Get(const UString& key) const;
    // Replaces the object of an existing key in place (same position), else appends an entry.
    // A store that owns its objects frees the replaced one; one that does not leaves it to its
    // owner, who may still hold it.
    void Put(const UString& key, TObject* object);
    void Put(const UString& key, std::unique_ptr<TObject> object) { Put(key, object.release()); }
    // Frees every carried object when the store owns them, then forgets every entry.
    void Clear();

    const std::vector<TAssocEntry>& Items() const { return items_; }
    size_t Count() const { return items_.size(); }
    bool OwnsObjects() const { return owns_objects_; }

    // Index of the entry with this key, -1 when absent.
    int IndexOf(const UString& key) const;

  private:
    struct Folded {
        UString upper;  // the stored 8-bit key, decoded and upper-cased, for comparisons
    };
    std::vector<TAssocEntry> items_;
    std::vector<Folded> folded_;
    bool owns_objects_;
};

// A store of TStringValue objects with a reader for key=value lines.
class TConfig : public TAssocArray {
  public:
    TConfig() : TAssocArray(true) {}

    // The value of the key, empty when absent.
    UString GetValue(const UString& key) const;
    void SetValue(const UString& key, const UString& value);
    // Adds the key=value lines of the text (8-bit, system code page). Only CR LF ends a line;
    // a line without "=" is ignored; nothing is trimmed; a repeated key keeps its first position
    // and takes the last value.
    void LoadFromText(const AnsiString& text);
    // One line key=value per entry, in entry order, in the system code page.
    std::vector<AnsiString> ToStrings() const;
};
