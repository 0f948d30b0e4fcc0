#pragma once
// TMainForm: the installer's wizard window. Five pages on one white page area, a picture strip on
// the left and Back / Next / Cancel along the bottom:
//   0 Welcome         destination folder (read-only, changed through Browse)
//   1 Contents check  the "zip" block's checksum, paced, with a progress bar
//   2 Extraction      per-file and overall bars, the file line and a log (TExtractThread)
//   3 Ready           offer to start the package's only program
//   4 Finish          open the folder, report the package's content
// Written once against the widget layer: the Windows backend draws it, the headless backend lets
// tests drive it. Every control has a fixed control id (TWizardId) so an outside driver finds it.
#include <cstdint>
#include <memory>

#include "extract/uextrthrd.h"
#include "package/ZMArchiveFile.h"
#include "platform/types.h"
#include "ui/component.h"
#include "wizard/SetupExitCode.h"

// The running or last extraction; kept after it ends so its results stay readable.
extern std::unique_ptr<TExtractThread> ExtractThread;

enum TWizardId : int {
    idLogo = 101,
    idBase = 102,
    idStage = 103,
    idBottomLine = 104,
    idBack = 105,
    idNext = 106,
    idCancel = 107,
    idFirst = 110,
    idWelcome = 111,
    idDelim0 = 112,
    idFolderHint = 113,
    idOutput = 114,
    idBrowse = 115,
    idArchiveChecking = 116,
    idCheckingNotice = 117,
    idInstall = 120,
    idInstallCaption = 121,
    idInstallProgress = 122,
    idExtract = 130,
    idFileName = 131,
    idItemProgress = 132,
    idArchiveProgress = 133,
    idExtrLog = 134,
    idPreFinish = 140,
    idPreFinishCaption = 141,
    idRunInstalled = 142,
    idFinish = 150,
    idFinishText = 151,
    idOpenFolder = 152,
    idDoAbuse = 153,
};

enum TWizardPage : uint8_t {
    pgWelcome = 0,
    pgContentsCheck = 1,
    pgExtraction = 2,
    pgReady = 3,
    pgFinish = 4,
};

class TMainForm : public ui::TForm {
  public:
    // The package the window installs; borrowed, it must outlive the window.
    explicit TMainForm(TZMArchiveFile& package);
    ~TMainForm() override;

    // Controls (owned by the form).
    ui::TComponent* imgLogo = nullptr;
    ui::TComponent* pbase = nullptr;
    ui::TComponent* lblStage = nullptr;
    ui::TComponent* Bevel1 = nullptr;
    ui::TComponent* btnBack = nullptr;
    ui::TComponent* btnNext = nullptr;
    ui::TComponent* btnCancel = nullptr;
    ui::TComponent* pFirst = nullptr;
    ui::TComponent* reWelcome = nullptr;
    ui::TComponent* bDelim0 = nullptr;
    ui::TComponent* Label1 = nullptr;
    ui::TComponent* txtOutput = nullptr;
    ui::TComponent* btnBrowse = nullptr;
    ui::TComponent* pArchiveChecking = nullptr;
    ui::TComponent* Label4 = nullptr;
    ui::TComponent* pInstall = nullptr;
    ui::TComponent* lblInstallCaption = nullptr;
    ui::TComponent* InstallProgress = nullptr;
    ui::TComponent* pExtract = nullptr;
    ui::TComponent* lblFileName = nullptr;
    ui::TComponent* ItemProgress = nullptr;
    ui::TComponent* ArchiveProgress = nullptr;
    ui::TComponent* mExtrLog = nullptr;
    ui::TComponent* pPreFinish = nullptr;
    ui::TComponent* lblPreFinish = nullptr;
    ui::TComponent* chkRunInstalledProgram = nullptr;
    ui::TComponent* pFinish = nullptr;
    ui::TComponent* Label6 = nullptr;
    ui::TComponent* btnOpenFolder = nullptr;
    ui::TComponent* btnDoAbuse = nullptr;

    // Window state.
    uint8_t CurrentPage = pgWelcome;
    UString PackageTitle;
    bool PackagePrepared = false;
    bool ContentsVerified = false;
    bool HasProgramToRun = false;
    bool CloseConfirmed = false;
    bool Extracting = false;
    bool CancelRequested = false;
    // The process's exit code when the window closes: the outcome of the last run, or of the
    // contents check; cancelled while nothing has run.
    int ExitCode = ecCancelled;

    void ShowPage(int index);
    // Called on the window's thread when an extraction run has ended.
    void ExtractionDone(int32_t processed, int32_t skipped, bool cancelled);

    // The page panels by index.
    ui::TComponent* Page(int index) const;

  private:
    void BuildControls();
    void FormCreate();
    void FormCloseQuery(bool& can_close);
    void FormClose();
    void btnBackClick();
    void btnNextClick();
    void btnCancelClick();
    void btnBrowseClick();
    void btnOpenFolderClick();
    void btnDoAbuseClick();
    void PreparePackage();
    void CheckPackageContents();
    void StartExtraction();
    // Cursors back, Extracting cleared, the page area usable again.
    void EndExtractionState();
    void RunInstalledProgram();
    void UpdateButtons();
    // The bottom button Enter presses on the page in front, where the page puts the focus: Next
    // where it can be pressed, Close on the Finish page, Back once an error or a cancel has
    // enabled it, otherwise Cancel.
    ui::TComponent* PageDefaultButton() const;
    // Marks that button as the default one and gives it the focus.
    void FocusDefaultButton();

    TZMArchiveFile& package_;
};

// What the window says of a run that failed (the error box's text).
UString RunErrorText(const extraction::RunEnd& end);
// Starts the package's single program, exe_name below the destination folder (which ends with a
// delimiter); nothing when the name climbs out of the folder or the file is not there.
void RunPackageProgram(const UString& destination, const UString& exe_name);

// The process's wizard window, made by the start-up.
extern TMainForm* MainForm;
