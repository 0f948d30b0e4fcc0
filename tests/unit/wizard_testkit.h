#pragma once
// Shared by the installer's headless tests: real packages written with the container writer, the
// real engine (copied next to the test program), and a fixture that answers nothing unasked,
// skips the contents check's pacing and records what would have gone to the shell.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace wizardkit {

struct TPackageLayout {
    std::string title = "Demo";        // archive_name; empty: none
    std::string langid;                // preset language; empty: the chooser runs
    std::string welcome;               // archive_desc
    int id = 123;                      // archive_id
    std::string lang_pack;             // "lpk" block; empty: none
    bool damage_zip = false;           // flip a byte of the archive after writing
    bool no_container = false;         // the stub alone
};

// A package file at path holding the builder's archive.
bool WritePackage(const UString& path, const zipkit::ZipBuilder& zip, const TPackageLayout& layout);
// The engine library next to the test program, as a full path.
AnsiString EnginePath();
// A language pack with one language "en" holding the given id -> text pairs, and "ru" with none.
std::string PackWith(const std::vector<std::pair<int, std::string>>& texts);

class TInstallerTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Texts of the message boxes and questions shown so far, UTF-8.
    std::vector<std::string> ShownTexts() const;
    size_t ShownCount() const;
    std::string ShownCaption(size_t i) const;

    testutil::TempDir dir;
    std::vector<UString> opened;  // what went to the shell
    unsigned sleeps = 0;          // pauses the contents check asked for
};

std::string U8(const UString& s);

}  // namespace wizardkit
