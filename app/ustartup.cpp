#include "app/ustartup.h"

#include "lang/ulng.h"
#include "ui/services.h"
#include "wizard/Main.h"

std::unique_ptr<TZMArchiveFile> PackageFile;

namespace {

constexpr const char16_t* kCorrupted = u"Package Corrupted!";
constexpr const char16_t* kTitle = texts::kApplicationTitle;

}  // namespace

int RunSetup(const UString& exe_path) {
    // The task-bar button says "Setup" whatever window is up.
    ui::SetApplicationTitle(kTitle);
    PackageFile = std::make_unique<TZMArchiveFile>();
    if (!PackageFile->Open(exe_path, true)) {
        // Fixed English: no language pack could be read from a package that does not open.
        ui::MessageBox(nullptr, kCorrupted, kTitle, ui::mbOK, ui::miError);
        return 0;
    }

    if (!Languages.Loaded()) Languages.LoadFromString(PackageFile->Container->ReadBlock("lpk"));

    const TZMArchiveSettings* settings = PackageFile->GetSettings();
    // Copied before the chooser runs, so that a package that hides Russian hides it there too.
    HideRussianLanguage = settings != nullptr && settings->HideRussianLanguage ? 1 : 0;
    if (settings != nullptr && !settings->LanguageId.empty()) {
        Languages.SetCurrentLanguage(settings->LanguageId);
    } else {
        ChooseLanguage();
    }

    auto form = std::make_unique<TMainForm>(*PackageFile);
    MainForm = form.get();
    ui::RunMainLoop(*form);
    // A run the window did not stop (it always does when it closes) must not outlive the form
    // its reports go to.
    ExtractThread.reset();
    MainForm = nullptr;
    return 0;
}
