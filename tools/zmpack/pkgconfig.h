#pragma once
// The text of a package's "config" block, as zmpack writes it.
//   xml:  <?xml version="1.0" encoding="UTF-8"?> and a <config> element with one child per key,
//         the value as the child's text (escaped; CR kept as a character reference).
//   text: key=value lines separated by CR LF, in the system code page.
// Keys keep the order they were set in; setting a key again (any letter case) replaces its
// value in place, as the installer's store would.
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace zmpack {

class TPackageConfigText {
  public:
    void Set(const std::string& name, const UString& value);
    const std::vector<std::pair<std::string, UString>>& Keys() const { return keys_; }

    // False, with error naming the key, when a name or value cannot be written in the format.
    bool ToXml(std::string& out, std::string& error) const;
    bool ToText(std::string& out, std::string& error) const;

  private:
    std::vector<std::pair<std::string, UString>> keys_;
};

// Key names zmpack's options map to.
constexpr const char* kKeyArchiveId = "archive_id";
constexpr const char* kKeyTitle = "archive_name";
constexpr const char* kKeyWelcome = "archive_desc";
constexpr const char* kKeyLanguage = "langid";

}  // namespace zmpack
