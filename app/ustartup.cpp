#include "app/ustartup.h"

#include "app/usilent.h"
#include "platform/codepage.h"
#include "lang/ulng.h"
#include "ui/services.h"
#include "wizard/Main.h"

std::unique_ptr<TZMArchiveFile> PackageFile;

namespace {

constexpr const char16_t* kCorrupted = u"Package Corrupted!";
constexpr const char16_t* kTitle = texts::kApplicationTitle;

int UsageBox(const UString& error) {
    const bool failed = !error.empty();
    ui::MessageBox(nullptr, (failed ? error + u"\r\n\r\n" : UString()) + UsageText(), kTitle,
                   ui::mbOK, failed ? ui::miError : ui::miInformation);
    return failed ? ecUsage : ecInstalled;
}

}  // namespace

int RunSetup(const UString& exe_path, const TCommandLine& command_line) {
    if (command_line.Silent) return RunSilent(exe_path, command_line);
    // The task-bar button says "Setup" whatever window is up.
    ui::SetApplicationTitle(kTitle);
    if (command_line.Help || !command_line.Error.empty()) return UsageBox(command_line.Error);
    PackageFile = std::make_unique<TZMArchiveFile>();
    if (!PackageFile->Open(exe_path, true)) {
        // Fixed English: no language pack could be read from a package that does not open.
        ui::MessageBox(nullptr, kCorrupted, kTitle, ui::mbOK, ui::miError);
        return ecPackageDamaged;
    }

    if (!Languages.Loaded()) Languages.LoadFromString(PackageFile->Container->ReadBlock("lpk"));

    const TZMArchiveSettings* settings = PackageFile->GetSettings();
    // Copied before the chooser runs, so that a package that hides Russian hides it there too.
    HideRussianLanguage = settings != nullptr && settings->HideRussianLanguage ? 1 : 0;
    if (!command_line.Language.empty()) {
        if (!SelectCommandLineLanguage(command_line.Language)) {
            return UsageBox(u"The package has no language " +
                            platform::AnsiToWide(command_line.Language) + u".");
        }
    } else if (settings != nullptr && !settings->LanguageId.empty()) {
        Languages.SetCurrentLanguage(settings->LanguageId);
    } else {
        ChooseLanguage();
    }
    // The window shows it on the Welcome page; Browse may still change it.
    if (!command_line.Destination.empty()) PackageFile->DestDir = command_line.Destination;

    auto form = std::make_unique<TMainForm>(*PackageFile);
    MainForm = form.get();
    ui::RunMainLoop(*form);
    const int code = form->ExitCode;
    // A run the window did not stop (it always does when it closes) must not outlive the form
    // its reports go to.
    ExtractThread.reset();
    MainForm = nullptr;
    return code;
}
