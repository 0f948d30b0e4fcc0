#pragma once
// Files written under a temporary name next to their destination and renamed into place only
// when complete.
#include <cstdlib>
#include <string>
#include <utility>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"

namespace zmpack {

// A file removed at the end of the scope unless kept.
class TTempFile {
  public:
    explicit TTempFile(UString path) : path_(std::move(path)) {}
    ~TTempFile() {
        if (!kept_ && !path_.empty()) platform::RemoveFile(path_);
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    const UString& Path() const { return path_; }
    void Keep() { kept_ = true; }

  private:
    UString path_;
    bool kept_ = false;
};

// A name beside output, unique to this run, ending in `what`.
inline UString TempNameFor(const UString& output, const char16_t* what) {
    AnsiString guid;
    platform::CreateGuidText(guid);
    std::string tag = guid.size() > 9 ? guid.substr(1, 8) : std::to_string(std::rand());
    return output + u"." + platform::Utf8ToWide(tag) + what;
}

}  // namespace zmpack
