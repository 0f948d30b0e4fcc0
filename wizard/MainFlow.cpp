// The wizard's page flow: page switching, the package preparation and contents check, the
// extraction run and its outcome, and closing.
#include "common/ZM_Common.h"
#include "engine/ZMEngineApi.h"
#include "extract/utextformat.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pathnarrow.h"
#include "ui/services.h"
#include "wizard/Main.h"
#include "wizard/MainTexts.h"

std::unique_ptr<TExtractThread> ExtractThread;

namespace {

UString Msg(int id, const char16_t* default_text) {
    return Languages.GetTextById(id, default_text);
}

// The folder part of a path, with its trailing delimiter.
UString FolderOf(const UString& path) {
    size_t i = path.size();
    while (i > 0 && !platform::IsPathDelimiter(path[i - 1])) --i;
    return path.substr(0, i);
}

// A skipped file's error value is an engine error number (negative where skipping was not
// allowed). Those numbers overlap the language pack's own text ids: engine error 22 is a file that
// cannot be created, text 22 the caption "Cancel setup", text 23 the welcome line. Only the
// component's own codes are looked up in the pack.
bool IsEngineErrorValue(int32_t code) {
    const int32_t n = code < 0 ? -code : code;
    return n >= 1 && n <= ZE_ERR_UNSUPPORTED;
}

// The component's answer for a code it has no message for.
bool IsMissingResourceText(const UString& text) {
    static const UString kMissing = u"Resource missing";
    return text.compare(0, kMissing.size(), kMissing) == 0;
}

}  // namespace

void TMainForm::ShowPage(int index) {
    if (index < pgWelcome || index > pgFinish) return;
    if (index == pgContentsCheck) {
        // Back from a later page lands on Welcome; a second Next skips the check once passed.
        if (CurrentPage > pgContentsCheck) {
            index = pgWelcome;
        } else if (ContentsVerified) {
            index = pgExtraction;
        }
    }
    CurrentPage = static_cast<uint8_t>(index);

    switch (index) {
        case pgWelcome:
            lblStage->SetCaption(FormatText(Msg(23, kText23Default), {PackageTitle}));
            break;
        case pgContentsCheck:
            if (!PackagePrepared) PreparePackage();
            lblStage->SetCaption(Msg(32, kText32Default));
            break;
        case pgExtraction:
            lblStage->SetCaption(FormatText(Msg(27, kText27Default), {PackageTitle}));
            break;
        default:
            lblStage->SetCaption(Msg(28, kText28Default));
            break;
    }
    for (int i = pgWelcome; i <= pgFinish; ++i) Page(i)->SetEnabled(i == index);
    Page(index)->BringToFront();
    UpdateButtons();
    FocusDefaultButton();

    switch (index) {
        case pgContentsCheck:
            CheckPackageContents();
            break;
        case pgExtraction:
            StartExtraction();
            break;
        case pgFinish:
            if (HasProgramToRun && chkRunInstalledProgram->Checked()) RunInstalledProgram();
            break;
        default:
            break;
    }
}

void TMainForm::UpdateButtons() {
    const int page = CurrentPage;
    btnBack->SetVisible(page == pgExtraction);
    btnBack->SetEnabled(page < pgExtraction);
    btnNext->SetVisible(page == pgWelcome || page == pgExtraction || page == pgReady);
    btnNext->SetEnabled((page == pgWelcome && !txtOutput->Text().empty()) || page == pgReady);
    btnCancel->SetVisible(page != pgReady);
    btnCancel->SetCaption(page == pgFinish ? Msg(100021, kCloseCaptionDefault)
                                           : Msg(100023, kCancelCaptionDefault));
    ui::TComponent* def = PageDefaultButton();
    for (ui::TComponent* b : {btnBack, btnNext, btnCancel}) b->SetDefault(b == def);
}

ui::TComponent* TMainForm::PageDefaultButton() const {
    if (btnNext->Visible() && btnNext->Enabled()) return btnNext;
    if (btnBack->Visible() && btnBack->Enabled()) return btnBack;
    return btnCancel;
}

void TMainForm::FocusDefaultButton() {
    ui::TComponent* def = PageDefaultButton();
    for (ui::TComponent* b : {btnBack, btnNext, btnCancel}) b->SetDefault(b == def);
    SetActiveControl(def);
}

void TMainForm::btnBackClick() { ShowPage(CurrentPage - 1); }

void TMainForm::btnNextClick() { ShowPage(CurrentPage + 1); }

void TMainForm::PreparePackage() {
    ui::SetScreenCursor(ui::Cursor::HourGlass);
    bDelim0->Hide();
    pArchiveChecking->Show();
    pArchiveChecking->BringToFront();
    ui::ProcessMessages();

    package_.FindSingleExe();
    if (!package_.ExeName.empty()) HasProgramToRun = true;

    pArchiveChecking->Hide();
    bDelim0->Show();
    ui::SetScreenCursor(ui::Cursor::Default);
    PackagePrepared = true;
}

void TMainForm::CheckPackageContents() {
    const bool ok = package_.VerifyZip(false, [this](int percent, bool& abort) {
        InstallProgress->SetPosition(percent);
        // The window stays responsive: Cancel and the close box work in the middle of the check.
        ui::ProcessMessages();
        if (CloseConfirmed) abort = true;
    });
    if (!ok) {
        ui::MessageBox(this, Msg(1, kText1Default), Msg(5, kText5Default), ui::mbOK, ui::miNone);
        CloseConfirmed = true;
        Close();
        return;
    }
    ContentsVerified = true;
    // A close confirmed during the check stopped it; the window is going away.
    if (CloseConfirmed) return;
    ShowPage(pgExtraction);
}

void TMainForm::StartExtraction() {
    pbase->SetEnabled(false);
    Extracting = true;
    CancelRequested = false;
    SetCursor(ui::Cursor::HourGlass);
    pExtract->SetCursor(ui::Cursor::HourGlass);
    package_.DestDir = txtOutput->Text();

    // The extraction takes 8-bit paths: each is the exact one or its short form. A folder that
    // has neither is refused by name before anything is written (a path with '?' for the missing
    // characters would send the files elsewhere, or nowhere).
    AnsiString own_file, destination;
    UString refused;
    if (platform::NarrowPath(package_.GetFileName(), own_file) == platform::NarrowedAs::Failed) {
        refused = FolderOf(package_.GetFileName());
    } else if (platform::NarrowPath(package_.DestDir, destination, platform::kNarrowCreateFolder) ==
               platform::NarrowedAs::Failed) {
        refused = package_.DestDir;
    }
    if (!refused.empty()) {
        EndExtractionState();
        ui::MessageBox(this, FormatText(Msg(40, kText40Default), {refused}), Msg(5, kText5Default),
                       ui::mbOK, ui::miNone);
        btnBack->SetEnabled(true);
        FocusDefaultButton();
        return;
    }

    TExtractWindow window;
    window.Owner = this;
    window.FileLabel = lblFileName;
    window.ItemProgress = ItemProgress;
    window.ArchiveProgress = ArchiveProgress;
    window.Log = mExtrLog;
    window.Done = [this](int32_t processed, int32_t skipped, bool cancelled) {
        ExtractionDone(processed, skipped, cancelled);
    };
    // A finished earlier run is replaced; its results were read when it ended.
    ExtractThread.reset();
    ExtractThread = std::make_unique<TExtractThread>(own_file, destination,
                                                     package_.ArchivePassword, std::move(window));
}

void TMainForm::EndExtractionState() {
    SetCursor(ui::Cursor::Default);
    pExtract->SetCursor(ui::Cursor::Default);
    Extracting = false;
    pbase->SetEnabled(true);
}

void TMainForm::ExtractionDone(int32_t processed, int32_t skipped, bool cancelled) {
    (void)processed;
    (void)skipped;
    EndExtractionState();

    if (cancelled || CancelRequested) {
        ItemProgress->SetPosition(0);
        ArchiveProgress->SetPosition(0);
        lblFileName->SetCaption(UString());
        ui::MessageBox(this, Msg(13, kText13Default), kApplicationTitle, ui::mbOK, ui::miNone);
        btnBack->SetEnabled(true);
        FocusDefaultButton();
        return;
    }
    const int32_t code = ExtractThread ? ExtractThread->ErrorCode() : 0;
    if (code != 0) {
        UString text =
            IsEngineErrorValue(code) ? UString() : Languages.GetTextById(code, UString());
        if (text.empty()) {
            const UString message = platform::AnsiToWide(ExtractThread->ErrorMessage());
            text = FormatText(u"%s %d: \"%s\"", {Msg(5, kText5Default), code, message});
            // The component names a code it has no text for as "Resource missing ..."; such a
            // message means nothing to a user, so it becomes the plain unknown-error line. The
            // composed text starts with the caption word, so the message itself is looked at.
            if (IsMissingResourceText(message)) text = FormatText(Msg(14, kText14Default), {code});
        }
        if (IsMissingResourceText(text)) text = FormatText(Msg(14, kText14Default), {code});
        ui::MessageBox(this, text, Msg(5, kText5Default), ui::mbOK, ui::miNone);
        btnBack->SetEnabled(true);
        FocusDefaultButton();
        return;
    }
    ShowPage(HasProgramToRun ? pgReady : pgFinish);
}

void TMainForm::btnBrowseClick() {
    const UString folder =
        ui::BrowseForFolder(Msg(4, kText4Default), txtOutput->Text(), true, this);
    if (folder.empty()) return;
    txtOutput->SetText(IncludeTrailingBackslash(folder));
    UpdateButtons();
}

void TMainForm::btnCancelClick() {
    if (Extracting) {
        if (ExtractThread) {
            CancelRequested = true;
            ExtractThread->Terminate();
        }
        return;
    }
    Close();
}

void TMainForm::FormCloseQuery(bool& can_close) {
    if (CurrentPage == pgFinish || CloseConfirmed) {
        can_close = true;
    } else {
        can_close = ui::MessageBox(this, Msg(21, kText21Default), Msg(22, kText22Default),
                                   ui::mbYesNo, ui::miNone) == ui::mrYes;
    }
    if (can_close) CloseConfirmed = true;
}

void TMainForm::FormClose() {
    // A run still going when the window closes is stopped and waited for, so no file is left
    // half-written by a process that simply ended; its completion is no longer shown.
    if (Extracting && ExtractThread) {
        ExtractThread->StopAndWait();
        Extracting = false;
    }
}
