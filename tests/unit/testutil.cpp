#include "tests/unit/testutil.h"

#include <atomic>
#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/console.h"
#include "platform/dirlist.h"
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

CodePageScope::CodePageScope(unsigned page) {
    had_ = platform::GetEnvironmentText("ZM_CODEPAGE", old_);
    platform::SetEnvironmentText("ZM_CODEPAGE", platform::Utf8ToWide(std::to_string(page)));
}

CodePageScope::~CodePageScope() { platform::SetEnvironmentText("ZM_CODEPAGE", old_, !had_); }

bool HasShortNames() { return platform::PathDelimiter() == u'\\'; }

namespace {

void VisitInto(const UString& folder, const std::string& prefix, const TreeVisitor& visit) {
    std::vector<platform::PathInfo> entries;
    if (!platform::ListDirectory(folder, entries)) return;
    for (const auto& e : entries) {
        const std::string rel = prefix + platform::WideToUtf8(e.name);
        const UString path = folder + platform::PathDelimiter() + e.name;
        visit(rel, e, path);
        if (e.is_dir && !e.is_link) VisitInto(path, rel + "/", visit);
    }
}

}  // namespace

void VisitTree(const UString& folder, const TreeVisitor& visit) {
    UString f = folder;
    while (f.size() > 1 && platform::IsPathDelimiter(f.back())) f.pop_back();
    VisitInto(f, "", visit);
}

std::vector<std::string> ListTree(const UString& folder) {
    std::vector<std::string> out;
    VisitTree(folder, [&](const std::string& rel, const platform::PathInfo&, const UString&) {
        out.push_back(rel);
    });
    std::sort(out.begin(), out.end());
    return out;
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
