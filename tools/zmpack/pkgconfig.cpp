#include "tools/zmpack/pkgconfig.h"

#include <cctype>

#include "platform/codepage.h"

namespace zmpack {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// ASCII element names only: the installer keeps key names as 8-bit text.
bool IsXmlName(const std::string& name) {
    if (name.empty()) return false;
    auto first = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; };
    if (!first(name[0])) return false;
    for (char c : name) {
        if (!first(c) && !std::isdigit(static_cast<unsigned char>(c)) && c != '-' && c != '.')
            return false;
    }
    return true;
}

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

}  // namespace

void TPackageConfigText::Set(const std::string& name, const UString& value) {
    for (auto& kv : keys_) {
        if (SameName(kv.first, name)) {
            kv.second = value;
            return;
        }
    }
    keys_.emplace_back(name, value);
}

bool TPackageConfigText::ToXml(std::string& out, std::string& error) const {
    out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n";
    for (const auto& [name, value] : keys_) {
        if (!IsXmlName(name)) {
            error = "key name \"" + name +
                    "\" cannot be an XML element (letters, digits, _ - . only, not first a digit)";
            return false;
        }
        // A value of blanks only would be dropped by the reader as layout; keep it as references.
        bool all_space = !value.empty();
        for (char16_t c : value) all_space = all_space && IsXmlSpace(c);
        for (char16_t c : value) {
            if ((c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE ||
                c == 0xFFFF) {
                error = "value of key \"" + name + "\" holds a character XML cannot carry";
                return false;
            }
        }
        std::string text;
        for (char c : platform::WideToUtf8(value)) {
            if (all_space || c == '\r') {
                text += "&#" + std::to_string(static_cast<int>(c)) + ";";
            } else if (c == '&') {
                text += "&amp;";
            } else if (c == '<') {
                text += "&lt;";
            } else if (c == '>') {
                text += "&gt;";
            } else {
                text += c;
            }
        }
        out += "  <" + name + ">" + text + "</" + name + ">\r\n";
    }
    out += "</config>\r\n";
    return true;
}

bool TPackageConfigText::ToText(std::string& out, std::string& error) const {
    out.clear();
    for (const auto& [name, value] : keys_) {
        if (name.find('=') != std::string::npos || name.find('\r') != std::string::npos ||
            name.find('\n') != std::string::npos) {
            error = "key name \"" + name + "\" cannot hold '=' or line breaks in the text format";
            return false;
        }
        if (value.find(u"\r\n") != UString::npos) {
            error = "value of key \"" + name + "\" holds a line break (use --config-format xml)";
            return false;
        }
        AnsiString narrow;
        if (!platform::WideToAnsiExact(value, narrow)) {
            error = "value of key \"" + name +
                    "\" has characters outside the system code page (use --config-format xml)";
            return false;
        }
        AnsiString narrow_name;
        if (!platform::WideToAnsiExact(platform::Utf8ToWide(name), narrow_name)) {
            error = "key name \"" + name + "\" has characters outside the system code page";
            return false;
        }
        out += narrow_name + "=" + narrow + "\r\n";
    }
    return true;
}

}  // namespace zmpack
