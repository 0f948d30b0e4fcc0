#pragma once
// Shared by the installer's headless tests: real packages written with the container writer, the
// real engine (copied next to the test program), and a fixture that answers nothing unasked,
// skips the contents check's pacing and records what would have gone to the shell.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include <memory>

#include "package/ZMArchiveFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/types.h"
#include "ui/headless/headless.h"
#include "wizard/Main.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace wizardkit {

struct TPackageLayout {
    std::string title = "Demo";  // archive_name; empty: none
    std::string langid;          // preset language; empty: the chooser runs
    std::string welcome;         // archive_desc
    int id = 123;                // archive_id
    std::string lang_pack;       // "lpk" block; empty: none
    bool damage_zip = false;     // flip a byte of the archive after writing
    bool no_container = false;   // the stub alone
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

// A package in the test's folder and the wizard window on it, shown, headless.
class TWizardTest : public TInstallerTest {
  protected:
    // The package is `name` in the test's folder (a subfolder of it when name has one); by
    // default the title followed by "Setup.exe".
    void Open(const zipkit::ZipBuilder& zip, const TPackageLayout& layout = {},
              const std::string& name = std::string()) {
        path = dir.File(name.empty() ? layout.title + "Setup.exe" : name);
        const size_t cut = name.rfind('/');
        if (cut != std::string::npos) {
            ASSERT_TRUE(platform::ForceDirectories(dir.File(name.substr(0, cut))));
        }
        ASSERT_TRUE(WritePackage(path, zip, layout));
        pkg = std::make_unique<TZMArchiveFile>();
        ASSERT_TRUE(pkg->Open(path, true));
        form = std::make_unique<TMainForm>(*pkg);
        form->Created();
        form->Show();
        form->RestoreFocus();  // as a backend does when it shows the window
    }
    void TearDown() override {
        ExtractThread.reset();
        ui::headless::Pump();
        form.reset();
        pkg.reset();
        TInstallerTest::TearDown();
    }
    bool WaitDone() {
        return ui::headless::PumpUntil([this] { return !form->Extracting; }, 120000);
    }
    UString Dest() const { return form->txtOutput->Text(); }
    std::string Installed(const std::string& name) const {
        return testutil::ReadFile(Dest() + platform::Utf8ToWide(name));
    }
    // Page, and which bottom buttons show / work, in one line for readable expectations.
    std::string State() const {
        auto b = [](const ui::TComponent* c) {
            return std::string(c->Visible() ? (c->Enabled() ? "E" : "d") : "-");
        };
        return std::to_string(form->CurrentPage) + " back" + b(form->btnBack) + " next" +
               b(form->btnNext) + " cancel" + b(form->btnCancel);
    }

    // Where the keyboard is: the focused control and the default button, by name.
    std::string Keys() const {
        auto name = [](const ui::TComponent* c) {
            return c != nullptr ? U8(c->Name()) : std::string("none");
        };
        return "focus " + name(form->ActiveControl()) + ", default " + name(form->DefaultButton());
    }

    UString path;
    std::unique_ptr<TZMArchiveFile> pkg;
    std::unique_ptr<TMainForm> form;
};

}  // namespace wizardkit
