#include "tests/unit/testutil.h"

#include <atomic>
#include <chrono>
#include <vector>

#include "platform/process.h"

namespace testutil {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    AnsiString guid;
    platform::CreateGuidText(guid);
    UString base = platform::GetTempDirectory();
    path_ = base + u"zmtest-" + platform::Utf8ToWide(guid.substr(1, 8)) + u"-" +
            platform::Utf8ToWide(std::to_string(counter++));
    platform::ForceDirectories(path_);
    path_.push_back(platform::PathDelimiter());
}

TempDir::~TempDir() { RemoveTree(path_); }

UString TempDir::File(const std::string& utf8_name) const {
    UString n = platform::Utf8ToWide(utf8_name);
    for (auto& c : n)
        if (c == u'/' || c == u'\\') c = platform::PathDelimiter();
    return path_ + n;
}

bool WriteFile(const UString& path, const std::string& bytes) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::CreateAlways)) return false;
    if (!bytes.empty() && !f.Write(bytes.data(), bytes.size())) return false;
    return f.Close();
}

std::string ReadFile(const UString& path) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) return std::string();
    int64_t size = f.Size();
    std::string s(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (!s.empty()) s.resize(f.Read(&s[0], s.size()));
    return s;
}

}  // namespace testutil
