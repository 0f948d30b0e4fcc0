#include "common/xmldoc.h"

#include <pugixml.hpp>

#include <cstring>

#include "platform/codepage.h"

namespace {

pugi::xml_node Node(void* p) { return pugi::xml_node(static_cast<pugi::xml_node_struct*>(p)); }

std::string Utf8(const UString& s) { return platform::WideToUtf8(s); }
UString Wide(const char* s) { return platform::Utf8ToWide(s ? std::string(s) : std::string()); }

// Pre-order walk of everything below `root`, without recursion: documents are hostile input and
// may nest deeper than the stack allows.
template <typename Visit>
void WalkBelow(pugi::xml_node root, Visit visit) {
    pugi::xml_node n = root.first_child();
    while (n) {
        visit(n);
        if (n.first_child()) {
            n = n.first_child();
            continue;
        }
        while (n && n != root && !n.next_sibling()) n = n.parent();
        if (!n || n == root) break;
        n = n.next_sibling();
    }
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string LowerAscii(std::string s) {
    for (auto& c : s) c = LowerAscii(c);
    return s;
}

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The Windows code page behind an encoding name; 65001 for UTF-8 and its ASCII subset, 0 when the
// name is not one we can decode.
unsigned CodePageOfName(const std::string& raw) {
    std::string n = LowerAscii(raw);
    if (n == "utf-8" || n == "utf8" || n == "us-ascii" || n == "ascii") return 65001;
    auto number_after = [&](const char* prefix) -> unsigned {
        size_t len = std::strlen(prefix);
        if (n.compare(0, len, prefix) != 0 || n.size() == len || n.size() > len + 5) return 0;
        unsigned v = 0;
        for (size_t i = len; i < n.size(); ++i) {
            if (n[i] < '0' || n[i] > '9') return 0;
            v = v * 10 + static_cast<unsigned>(n[i] - '0');
        }
        return v;
    };
    for (const char* p : {"windows-", "cp", "x-cp", "cp-", "ibm"}) {
        unsigned v = number_after(p);
        if (v >= 437 && v <= 1258) return v;
    }
    if (n == "latin1" || n == "l1") return 28591;
    for (const char* p : {"iso-8859-", "iso8859-", "iso_8859-", "iso8859_"}) {
        unsigned v = number_after(p);
        if (v >= 1 && v <= 9) return 28590 + v;
        if (v == 13) return 28603;
        if (v == 15) return 28605;
    }
    if (n == "koi8-r" || n == "koi8r") return 20866;
    if (n == "koi8-u" || n == "koi8u") return 21866;
    return 0;
}

// The encoding named in a leading declaration, or empty.
std::string DeclaredEncoding(const std::string& b) {
    if (b.compare(0, 5, "<?xml") != 0 || b.size() < 6 || !IsXmlSpace(b[5])) return std::string();
    size_t end = b.find("?>", 5);
    if (end == std::string::npos || end > 4096) return std::string();
    std::string decl = b.substr(5, end - 5);
    size_t p = decl.find("encoding");
    if (p == std::string::npos) return std::string();
    p += 8;
    while (p < decl.size() && IsXmlSpace(decl[p])) ++p;
    if (p >= decl.size() || decl[p] != '=') return std::string();
    ++p;
    while (p < decl.size() && IsXmlSpace(decl[p])) ++p;
    if (p >= decl.size() || (decl[p] != '"' && decl[p] != '\'')) return std::string();
    char quote = decl[p++];
    size_t close = decl.find(quote, p);
    if (close == std::string::npos) return std::string();
    return decl.substr(p, close - p);
}

bool Utf16ToUtf8(const std::string& b, size_t start, bool big_endian, std::string& out) {
    if ((b.size() - start) % 2 != 0) return false;
    UString w((b.size() - start) / 2, u'\0');
    for (size_t i = 0; i < w.size(); ++i) {
        unsigned char lo = static_cast<unsigned char>(b[start + 2 * i + (big_endian ? 1 : 0)]);
        unsigned char hi = static_cast<unsigned char>(b[start + 2 * i + (big_endian ? 0 : 1)]);
        w[i] = static_cast<char16_t>(lo | (hi << 8));
    }
    out = platform::WideToUtf8(w);
    return true;
}

}  // namespace

struct XmlAccess {
    static XmlElement Make(pugi::xml_node n) { return XmlElement(n.internal_object()); }
};

namespace {
std::vector<XmlElement> ElementsNamed(pugi::xml_node root, const std::string& name,
                                      bool include_root);
}  // namespace

bool XmlBytesToUtf8(const std::string& b, std::string& utf8, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    auto starts = [&](const char* sig, size_t n) {
        return b.size() >= n && std::memcmp(b.data(), sig, n) == 0;
    };
    if (starts("\xEF\xBB\xBF", 3)) {
        utf8 = b.substr(3);
        return true;
    }
    if (starts("\xFF\xFE", 2)) {
        if (!Utf16ToUtf8(b, 2, false, utf8)) return fail("UTF-16 text of odd length");
        return true;
    }
    if (starts("\xFE\xFF", 2)) {
        if (!Utf16ToUtf8(b, 2, true, utf8)) return fail("UTF-16 text of odd length");
        return true;
    }
    // UTF-16 without a mark still starts with "<?" or "<" and a zero byte.
    if (b.size() >= 2 && b[0] == '<' && b[1] == '\0') {
        if (!Utf16ToUtf8(b, 0, false, utf8)) return fail("UTF-16 text of odd length");
        return true;
    }
    if (b.size() >= 2 && b[0] == '\0' && b[1] == '<') {
        if (!Utf16ToUtf8(b, 0, true, utf8)) return fail("UTF-16 text of odd length");
        return true;
    }
    std::string declared = DeclaredEncoding(b);
    if (declared.empty()) {
        utf8 = b;
        return true;
    }
    unsigned page = CodePageOfName(declared);
    if (page == 0) return fail("unsupported encoding \"" + declared + "\"");
    if (page == 65001) {
        utf8 = b;
        return true;
    }
    UString w;
    if (!platform::CodePageToWide(page, b, w)) {
        return fail("encoding \"" + declared + "\" is not available");
    }
    utf8 = platform::WideToUtf8(w);
    return true;
}

// ---------------------------------------------------------------------------------------------

struct XmlDocument::Impl {
    pugi::xml_document doc;
};

XmlDocument::XmlDocument() : impl_(new Impl) {}
XmlDocument::~XmlDocument() = default;

bool XmlDocument::Load(const std::string& bytes) {
    impl_->doc.reset();
    error_.clear();
    std::string utf8;
    if (!XmlBytesToUtf8(bytes, utf8, &error_)) return false;
    // The doctype is parsed (not skipped) only so that it can be seen and refused; fragment mode
    // keeps text outside the document element so that it can be refused as well.
    const unsigned flags = pugi::parse_default | pugi::parse_doctype | pugi::parse_fragment;
    pugi::xml_parse_result r =
        impl_->doc.load_buffer(utf8.data(), utf8.size(), flags, pugi::encoding_utf8);
    if (!r) {
        error_ = std::string(r.description()) + " at offset " + std::to_string(r.offset);
        impl_->doc.reset();
        return false;
    }
    int elements = 0;
    for (pugi::xml_node n : impl_->doc.children()) {
        switch (n.type()) {
            case pugi::node_element:
                ++elements;
                break;
            case pugi::node_doctype:
                error_ = "document type declarations are not accepted";
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                error_ = "text outside the document element";
                break;
            default:
                break;
        }
    }
    if (error_.empty() && elements != 1) error_ = "not exactly one document element";
    if (!error_.empty()) {
        impl_->doc.reset();
        return false;
    }
    return true;
}

XmlElement XmlDocument::DocumentElement() const {
    return XmlElement(impl_->doc.document_element().internal_object());
}

std::vector<XmlElement> XmlDocument::SelectAll(const UString& name) const {
    pugi::xml_node root = impl_->doc.document_element();
    if (!root) return {};
    return ElementsNamed(root, Utf8(name), true);
}

namespace {

std::vector<XmlElement> ElementsNamed(pugi::xml_node root, const std::string& name,
                                      bool include_root) {
    std::vector<XmlElement> out;
    if (include_root && name == root.name()) out.push_back(XmlAccess::Make(root));
    WalkBelow(root, [&](pugi::xml_node n) {
        if (n.type() == pugi::node_element && name == n.name()) {
            out.push_back(XmlAccess::Make(n));
        }
    });
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

UString XmlElement::Name() const { return node_ ? Wide(Node(node_).name()) : UString(); }

std::vector<XmlElement> XmlElement::Children() const {
    std::vector<XmlElement> out;
    if (!node_) return out;
    for (pugi::xml_node n : Node(node_).children()) {
        if (n.type() == pugi::node_element) out.push_back(XmlElement(n.internal_object()));
    }
    return out;
}

UString XmlElement::Attribute(const UString& name, bool* present) const {
    pugi::xml_attribute a;
    if (node_) a = Node(node_).attribute(Utf8(name).c_str());
    if (present) *present = static_cast<bool>(a);
    return a ? Wide(a.value()) : UString();
}

bool XmlElement::HasAttribute(const UString& name) const {
    bool present = false;
    Attribute(name, &present);
    return present;
}

UString XmlElement::Text() const {
    if (!node_) return UString();
    std::string text;
    WalkBelow(Node(node_), [&](pugi::xml_node n) {
        if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) text += n.value();
    });
    return platform::Utf8ToWide(text);
}

std::vector<XmlElement> XmlElement::Descendants(const UString& name) const {
    if (!node_) return {};
    return ElementsNamed(Node(node_), Utf8(name), false);
}
