// The wizard's page flow: page switching, the package preparation and contents check, the
// extraction run and its outcome, and closing.
#include "common/ownfile.h"
#include "lang/utextformat.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "ui/services.h"
#include "wizard/Main.h"

std::unique_ptr<TExtractThread> ExtractThread;

namespace {

UString Msg(const TTextId& text) { return Languages.Text(text); }

}  // namespace

// What the window says of a run that failed. A component code may have a text of its own in the
// language pack; an entry's error value never looks there (engine error 22, a file that cannot be
// created, is also the pack's text 22, the caption "Cancel setup"). Otherwise the caption word,
// the code and the component's message; with no message, the unknown-error line.
UString RunErrorText(const extraction::RunEnd& end) {
    if (end.kind == extraction::EndKind::ComponentError) {
        const UString own = Languages.GetTextById(end.code, UString());
        if (!own.empty()) return own;
    }
    if (end.kind == extraction::EndKind::InternalError || end.message.empty())
        return FormatText(Msg(texts::kUnknownError), {end.code});
    return FormatText(u"%s %d: \"%s\"", {Msg(texts::kError), end.code, end.message});
}

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
            lblStage->SetCaption(FormatText(Msg(texts::kWelcomeHeading), {PackageTitle}));
            break;
        case pgContentsCheck:
            if (!PackagePrepared) PreparePackage();
            lblStage->SetCaption(Msg(texts::kCheckHeading));
            break;
        case pgExtraction:
            lblStage->SetCaption(FormatText(Msg(texts::kExtractHeading), {PackageTitle}));
            break;
        default:
            lblStage->SetCaption(Msg(texts::kDoneHeading));
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
    btnCancel->SetCaption(page == pgFinish ? Msg(texts::kClose) : Msg(texts::kCancel));
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
        ExitCode = CloseConfirmed ? ecCancelled : ecPackageDamaged;
        ui::MessageBox(this, Msg(texts::kDamaged), Msg(texts::kError), ui::mbOK, ui::miNone);
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
    // The component that opened the package runs the extraction: its directory is known.
    ExtractThread = std::make_unique<TExtractThread>(*package_.Zip, package_.DestDir,
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

    const extraction::RunEnd end = ExtractThread ? ExtractThread->End() : extraction::RunEnd();
    if (cancelled || CancelRequested || end.kind == extraction::EndKind::Cancelled) {
        ItemProgress->SetPosition(0);
        ArchiveProgress->SetPosition(0);
        lblFileName->SetCaption(UString());
        ExitCode = ecCancelled;
        ui::MessageBox(this, Msg(texts::kCancelled), texts::kApplicationTitle, ui::mbOK,
                       ui::miNone);
        btnBack->SetEnabled(true);
        FocusDefaultButton();
        return;
    }
    if (end.kind != extraction::EndKind::Done) {
        ExitCode = ecExtractionFailed;
        ui::MessageBox(this, RunErrorText(end), Msg(texts::kError), ui::mbOK, ui::miNone);
        btnBack->SetEnabled(true);
        FocusDefaultButton();
        return;
    }
    ExitCode = ecInstalled;
    ShowPage(HasProgramToRun ? pgReady : pgFinish);
}

void TMainForm::btnBrowseClick() {
    const UString folder =
        ui::BrowseForFolder(Msg(texts::kChooseFolder), txtOutput->Text(), true, this);
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
        can_close = ui::MessageBox(this, Msg(texts::kConfirmExit), Msg(texts::kExitCaption),
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
