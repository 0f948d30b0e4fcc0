#pragma once
// A small read-only XML document: the configuration block and the language pack are read
// through it. The document is decoded from its bytes by the byte-order mark or, without one, by
// the encoding its declaration names (UTF-8 when it names none). Document type declarations are
// refused, so no entity is ever expanded and nothing outside the text is ever fetched.
// White-space-only text between elements is not kept.
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"

class XmlElement {
  public:
    XmlElement() = default;

    bool IsNull() const { return node_ == nullptr; }
    explicit operator bool() const { return node_ != nullptr; }

    UString Name() const;
    // The element children, in document order (text, comments and instructions left out).
    std::vector<XmlElement> Children() const;
    // The attribute's value; empty when absent. `present` (optional) tells the two apart.
    UString Attribute(const UString& name, bool* present = nullptr) const;
    bool HasAttribute(const UString& name) const;
    // The text of every text and CDATA node below this element, concatenated in order.
    UString Text() const;
    // Every element of this name below this one (not itself), at any depth, in document order.
    std::vector<XmlElement> Descendants(const UString& name) const;

  private:
    friend class XmlDocument;
    friend struct XmlAccess;
    explicit XmlElement(void* node) : node_(node) {}
    void* node_ = nullptr;
};

class XmlDocument {
  public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Parses the bytes. False, and an empty document, when they are not one well-formed document
    // with a single document element, carry a DOCTYPE or name an encoding that cannot be read.
    bool Load(const std::string& bytes);
    // Why the last Load failed (empty after a success).
    const std::string& Error() const { return error_; }

    XmlElement DocumentElement() const;
    // Every element of this name in the whole document, document element included ("//name").
    std::vector<XmlElement> SelectAll(const UString& name) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string error_;
};

// The text as UTF-8 for the parser, decoded by byte-order mark or declared encoding.
// False when the declared encoding is unknown or cannot be decoded here.
bool XmlBytesToUtf8(const std::string& bytes, std::string& utf8, std::string* error = nullptr);
