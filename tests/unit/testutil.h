#pragma once
// Helpers shared by the unit tests: a fresh temporary folder per test, file helpers.
#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
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

bool WriteFile(const UString& path, const std::string& bytes);
std::string ReadFile(const UString& path);
// Removes a folder tree (best effort).
void RemoveTree(const UString& path);

}  // namespace testutil
