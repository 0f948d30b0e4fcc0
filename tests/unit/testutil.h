#pragma once
// Helpers shared by the unit tests: a fresh temporary folder per test, file helpers.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"

namespace testutil {

// A new empty folder, removed with everything in it at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    // The folder with a trailing delimiter.
    const UString& Path() const { return path_; }
    UString File(const std::string& utf8_name) const;
    std::string Utf8() const { return platform::WideToUtf8(path_); }

  private:
    UString path_;
};

// Natively the system code page comes from the environment: for its lifetime this makes the
// program behave as a Windows system with the given code page would. Under Windows the process's
// own ANSI code page decides, and this changes nothing.
class CodePageScope {
  public:
    explicit CodePageScope(unsigned page);
    ~CodePageScope();
    CodePageScope(const CodePageScope&) = delete;
    CodePageScope& operator=(const CodePageScope&) = delete;

  private:
    bool had_ = false;
    UString old_;
};

// True where the file system gives paths a short (8.3) form (Windows, Wine).
bool HasShortNames();

bool WriteFile(const UString& path, const std::string& bytes);
std::string ReadFile(const UString& path);
// Every file and folder below a folder as UTF-8 paths relative to it ('/' between parts), sorted.
std::vector<std::string> ListTree(const UString& folder);
// Calls visit(relative UTF-8 path with '/' between parts, the entry, its full path) for every file
// and folder below a folder, a folder before its contents; links to folders are not followed.
using TreeVisitor = std::function<void(const std::string& rel, const platform::PathInfo& entry,
                                       const UString& path)>;
void VisitTree(const UString& folder, const TreeVisitor& visit);
// Removes a folder tree (best effort).
void RemoveTree(const UString& path);

}  // namespace testutil
