#pragma once
// A program's version record (its version resource): a tree of nodes, each a length, the
// length of its value, a kind (1: text), a UTF-16 key and a value, with its children after it,
// every part starting on four bytes. The root's value is the fixed part (file and product
// version numbers among it); its child "StringFileInfo" holds a table of strings per language
// and code page ("041904B0"), which Explorer shows as the program's properties.
#include <cstdint>
#include <string>
#include <vector>

namespace zmpack {

struct VersionNode {
    std::u16string key;
    uint16_t type = 0;  // 1: the value is text
    std::string value;  // as stored (text: UTF-16LE with its terminating zero)
    std::vector<VersionNode> children;
};

class VersionRecord {
  public:
    // False, with error, when the data does not read as a version record.
    bool Read(const std::string& data, std::string& error);
    std::string Write() const;

    // The string under key in the first table; empty when none.
    std::u16string String(const std::u16string& key) const;
    // Sets the string in every table (one is made when there is none).
    void SetString(const std::u16string& key, const std::u16string& value);
    // The fixed part's version numbers, each as four 16-bit parts.
    void SetFileVersion(const uint16_t parts[4]);
    void SetProductVersion(const uint16_t parts[4]);
    void FileVersion(uint16_t parts[4]) const;
    void ProductVersion(uint16_t parts[4]) const;

  private:
    VersionNode root_;
};

// "1", "1.2", "1.2.3" or "1.2.3.4", each part a number up to 65535; missing parts are 0.
bool ParseDottedVersion(const std::u16string& text, uint16_t parts[4]);

}  // namespace zmpack
