// The wizard window's controls and its set-up. Geometry lives here and nowhere else: read it as a
// table (left, top, width, height in pixels; the window is not scaled with the screen).
#include "wizard/Main.h"

#include <string>

#include "lang/utextformat.h"
#include "lang/ulng.h"
#include "platform/resources.h"
#include "ui/bitmap.h"
#include "zip/ZMExpandLZ77.h"

TMainForm* MainForm = nullptr;

namespace {

const ui::Color kFormColor = ui::Rgb(225, 225, 225);
const ui::Color kFolderColor = ui::Rgb(240, 240, 240);
const ui::Color kNoticeColor = ui::Rgb(48, 59, 65);
const char kSideBitmap[] = "WIZARDBITMAP";
// The side picture is a few hundred KB at most.
constexpr uint32_t kMaxSideBitmap = 1u << 20;

// The side picture: a bitmap file, as it stands or packed as an LZ77 stream.
bool LoadSideBitmap(ui::TBitmap& out) {
    platform::RcData rc;
    if (!platform::FindRcData(kSideBitmap, rc)) return false;
    if (ui::DecodeBmp(rc.data, rc.size, out)) return true;
    std::string bmp;
    TZMMemoryInStream in(rc.data, rc.size);
    TZMStringOutStream expanded(bmp);
    if (ExpandLz77(expanded, in, static_cast<int64_t>(rc.size), kMaxSideBitmap) != kLz77Ok)
        return false;
    return ui::DecodeBmp(reinterpret_cast<const unsigned char*>(bmp.data()), bmp.size(), out);
}

ui::TComponent* Make(ui::TForm& form, ui::Kind kind, const UString& name, ui::TComponent* parent,
                     int id, int left, int top, int width, int height) {
    ui::TComponent* c = form.Add(kind, name, parent);
    c->SetControlId(id);
    c->SetBounds(left, top, width, height);
    return c;
}

ui::TComponent* MakePage(ui::TForm& form, const UString& name, ui::TComponent* base, int id) {
    ui::TComponent* p = Make(form, ui::Kind::Panel, name, base, id, 10, 56, 314, 249);
    p->Border = false;
    return p;
}

void SetTagged(ui::TComponent* c, const TTextId& text) {
    c->Tag = text.id;
    c->SetCaption(text.builtin);
}

ui::Font FontOf(int height, bool bold, ui::Color color = ui::kDefaultColor) {
    ui::Font f;
    f.Name = u"Tahoma";
    f.Height = height;
    f.Bold = bold;
    f.TextColor = color;
    return f;
}

}  // namespace

TMainForm::TMainForm(TZMArchiveFile& package) : ui::TForm(u"MainForm"), package_(package) {
    BuildControls();
    OnCreate = [this](ui::TComponent&) { FormCreate(); };
    OnCloseQuery = [this](ui::TForm&, bool& can_close) { FormCloseQuery(can_close); };
    OnClose = [this](ui::TComponent&) { FormClose(); };
}

TMainForm::~TMainForm() {
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BuildControls() {
    TForm& f = *this;
    Style = ui::BorderStyle::Single;
    BorderIcons = ui::biSystemMenu | ui::biMinimize;
    Placement = ui::FormPosition::ScreenCenter;
    SetClientSize(487, 353);
    SetColor(kFormColor);
    SetFont(FontOf(11, false));

    imgLogo = Make(f, ui::Kind::Image, u"imgLogo", this, idLogo, 0, 0, 163, 314);
    ui::TBitmap side;
    if (LoadSideBitmap(side)) imgLogo->SetPicture(std::move(side));

    pbase = Make(f, ui::Kind::Panel, u"pbase", this, idBase, 163, 0, 332, 314);
    pbase->Border = false;
    pbase->SetColor(ui::kWhite);
    lblStage = Make(f, ui::Kind::Label, u"lblStage", pbase, idStage, 10, 8, 314, 41);
    lblStage->WordWrap = true;
    lblStage->SetFont(FontOf(16, true));

    // Page 0: welcome text, destination folder, and the notice shown while the package is read.
    pFirst = MakePage(f, u"pFirst", pbase, idFirst);
    reWelcome = Make(f, ui::Kind::RichEdit, u"reWelcome", pFirst, idWelcome, 8, 8, 298, 161);
    reWelcome->Border = false;
    reWelcome->TabStop = false;
    reWelcome->Scroll = ui::ScrollBars::Vertical;
    reWelcome->Anchors = ui::akLeft | ui::akTop | ui::akRight | ui::akBottom;
    reWelcome->WordWrap = true;
    reWelcome->SetReadOnly(true);
    reWelcome->SetCursor(ui::Cursor::Arrow);
    reWelcome->SetColor(ui::kWhite);
    bDelim0 = Make(f, ui::Kind::Separator, u"bDelim0", pFirst, idDelim0, 8, 177, 298, 2);
    Label1 = Make(f, ui::Kind::Label, u"Label1", pFirst, idFolderHint, 8, 185, 297, 32);
    Label1->WordWrap = true;
    SetTagged(Label1, texts::kDestinationLabel);
    txtOutput = Make(f, ui::Kind::Edit, u"txtOutput", pFirst, idOutput, 9, 220, 216, 21);
    txtOutput->SetReadOnly(true);
    txtOutput->TabStop = false;
    txtOutput->SetColor(kFolderColor);
    btnBrowse = Make(f, ui::Kind::Button, u"btnBrowse", pFirst, idBrowse, 232, 220, 73, 21);
    SetTagged(btnBrowse, texts::kBrowse);
    pArchiveChecking =
        Make(f, ui::Kind::Panel, u"pArchiveChecking", pFirst, idArchiveChecking, 8, 8, 298, 233);
    pArchiveChecking->Border = false;
    pArchiveChecking->Hide();
    Label4 = Make(f, ui::Kind::Label, u"Label4", pArchiveChecking, idCheckingNotice, 0, 0, 298, 41);
    Label4->WordWrap = true;
    Label4->SetFont(FontOf(13, true, kNoticeColor));
    SetTagged(Label4, texts::kCheckWait);

    // Page 1: the contents check.
    pInstall = MakePage(f, u"pInstall", pbase, idInstall);
    lblInstallCaption =
        Make(f, ui::Kind::Label, u"lblInstallCaption", pInstall, idInstallCaption, 8, 11, 298, 15);
    SetTagged(lblInstallCaption, texts::kCheckLabel);
    InstallProgress = Make(f, ui::Kind::ProgressBar, u"InstallProgress", pInstall,
                           idInstallProgress, 8, 28, 298, 16);
    InstallProgress->SetRange(0, 100);

    // Page 2: the extraction.
    pExtract = MakePage(f, u"pExtract", pbase, idExtract);
    lblFileName = Make(f, ui::Kind::Label, u"lblFileName", pExtract, idFileName, 8, 11, 298, 17);
    ItemProgress =
        Make(f, ui::Kind::ProgressBar, u"ItemProgress", pExtract, idItemProgress, 8, 28, 298, 16);
    ItemProgress->SetRange(0, 100);
    ArchiveProgress = Make(f, ui::Kind::ProgressBar, u"ArchiveProgress", pExtract,
                           idArchiveProgress, 8, 52, 298, 16);
    ArchiveProgress->SetRange(0, 100);
    mExtrLog = Make(f, ui::Kind::Memo, u"mExtrLog", pExtract, idExtrLog, 8, 72, 298, 169);
    mExtrLog->SetReadOnly(true);
    mExtrLog->Scroll = ui::ScrollBars::Vertical;

    // Page 3: ready; page 4: finish.
    pPreFinish = MakePage(f, u"pPreFinish", pbase, idPreFinish);
    lblPreFinish =
        Make(f, ui::Kind::Label, u"lblPreFinish", pPreFinish, idPreFinishCaption, 8, 11, 298, 15);
    SetTagged(lblPreFinish, texts::kPreFinish);
    chkRunInstalledProgram = Make(f, ui::Kind::CheckBox, u"chkRunInstalledProgram", pPreFinish,
                                  idRunInstalled, 8, 32, 298, 17);
    SetTagged(chkRunInstalledProgram, texts::kRunProgram);
    chkRunInstalledProgram->SetChecked(true);

    pFinish = MakePage(f, u"pFinish", pbase, idFinish);
    Label6 = Make(f, ui::Kind::Label, u"Label6", pFinish, idFinishText, 8, 8, 297, 201);
    Label6->WordWrap = true;
    SetTagged(Label6, texts::kFinishText);
    btnOpenFolder =
        Make(f, ui::Kind::Button, u"btnOpenFolder", pFinish, idOpenFolder, 8, 217, 105, 23);
    SetTagged(btnOpenFolder, texts::kOpenFolder);
    btnDoAbuse = Make(f, ui::Kind::Button, u"btnDoAbuse", pFinish, idDoAbuse, 120, 217, 185, 23);
    SetTagged(btnDoAbuse, texts::kReport);

    // The line above the buttons runs across the picture and the page area alike.
    Bevel1 = Make(f, ui::Kind::Separator, u"Bevel1", this, idBottomLine, 0, 306, 487, 2);
    btnBack = Make(f, ui::Kind::Button, u"btnBack", this, idBack, 237, 322, 75, 23);
    SetTagged(btnBack, texts::kBack);
    btnNext = Make(f, ui::Kind::Button, u"btnNext", this, idNext, 316, 322, 75, 23);
    SetTagged(btnNext, texts::kNext);
    btnNext->Default = true;  // until the first page chooses its own (FocusDefaultButton)
    btnCancel = Make(f, ui::Kind::Button, u"btnCancel", this, idCancel, 404, 322, 75, 23);
    SetTagged(btnCancel, texts::kCancel);
    btnCancel->Cancel = true;  // Escape does what Cancel does; where it is hidden, the close box

    btnBack->OnClick = [this](ui::TComponent&) { btnBackClick(); };
    btnNext->OnClick = [this](ui::TComponent&) { btnNextClick(); };
    btnCancel->OnClick = [this](ui::TComponent&) { btnCancelClick(); };
    btnBrowse->OnClick = [this](ui::TComponent&) { btnBrowseClick(); };
    btnOpenFolder->OnClick = [this](ui::TComponent&) { btnOpenFolderClick(); };
    btnDoAbuse->OnClick = [this](ui::TComponent&) { btnDoAbuseClick(); };
}

ui::TComponent* TMainForm::Page(int index) const {
    switch (index) {
        case pgWelcome:
            return pFirst;
        case pgContentsCheck:
            return pInstall;
        case pgExtraction:
            return pExtract;
        case pgReady:
            return pPreFinish;
        case pgFinish:
            return pFinish;
        default:
            return nullptr;
    }
}

void TMainForm::FormCreate() {
    // The welcome box lies behind the page's other controls (the notice panel covers it).
    reWelcome->SendToBack();
    PackageTitle = package_.GetTitle();
    txtOutput->SetText(package_.DestDir);
    UString welcome;
    if (const TZMArchiveSettings* s = package_.GetSettings()) welcome = s->WelcomeText;
    if (welcome.empty()) {
        welcome = FormatText(Languages.Text(texts::kWelcomeText), {PackageTitle});
    }
    reWelcome->SetText(welcome);
    TranslateComponent(*this);
    lblStage->SetCaption(FormatText(Languages.Text(texts::kWelcomeHeading), {PackageTitle}));
    SetCaption(FormatText(Languages.Text(texts::kWindowCaption), {PackageTitle}));
    ShowPage(pgWelcome);
}
