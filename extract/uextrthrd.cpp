#include "extract/uextrthrd.h"

#include <exception>

#include "extract/utextformat.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/thread.h"
#include "ui/services.h"

namespace {

const char16_t kTextCurrentFile[] = u"Сейчас распаковывается (%d/%d): %s";
const char16_t kTextFileExists[] = u"Файл %s существует.\r\n\r\nПерезаписать?";
const char16_t kTextCrcMismatch[] =
    u"Не совпадает контрольная сумма для файла %s.\r\n\r\nРаспаковать файл?";

constexpr int32_t kAccessDenied = 5;

}  // namespace

AnsiString TExtractThread::EngineLocation;

TExtractThread::TExtractThread(const AnsiString& zip_file_name, const AnsiString& destination,
                               const AnsiString& password, TExtractWindow window)
    : zip_file_name_(zip_file_name),
      password_(password),
      destination_(destination),
      window_(std::move(window)) {
    OnTerminate = [this] { Completed(); };

    Zip_ = std::make_unique<TZMZipper>();
    Zip_->SetActive(false);
    Zip_->NotMainThread = true;

    Zip_->OnCheckTerminate = [this](TCustomZMZipper&, bool& abort) { ZipCheckTerminate(abort); };
    Zip_->OnProgress = [this](TCustomZMZipper&, const TZMProgressDetails& d) { ZipProgress(d); };
    Zip_->OnExtractOverwrite = [this](TCustomZMZipper&, const AnsiString& file, bool,
                                      bool& do_overwrite,
                                      int) { ZipExtractOverwrite(file, do_overwrite); };
    Zip_->OnCRC32Error = [this](TCustomZMZipper&, const AnsiString& file, uint32_t, uint32_t,
                                bool& do_extract) { ZipCRC32Error(file, do_extract); };
    Zip_->OnSkipped = [this](TCustomZMZipper&, const AnsiString&, TZMSkipTypes type,
                             int& error_value) { ZipSkipped(type, error_value); };
    Zip_->OnMessage = [this](TCustomZMZipper&, int code, const AnsiString& text) {
        ZipMessage(code, text);
    };
    Zip_->Unattended = true;
    Zip_->SetZipFileName(zip_file_name_);
    Zip_->FSpecArgs.clear();
    Zip_->FSpecArgs.push_back("*.*");
    Zip_->ExtrBaseDir = destination_;
    Zip_->ExtrOptions = ZMExtrOpt(ExtrDirNames) | ZMExtrOpt(ExtrForceDirs);
    Zip_->Password = password_;
    if (!EngineLocation.empty()) Zip_->SetDLLDirectory(EngineLocation);

    Start();
}

TExtractThread::~TExtractThread() {
    // The base class would stop the worker too, but only after this part of the object (the
    // component the worker is using) is gone: stop and wait here, while everything still exists.
    StopAndWait();
}

void TExtractThread::StopAndWait() {
    Terminate();
    if (Zip_) Zip_->Cancel();
    OnTerminate = nullptr;
    if (ui::IsMainThread()) {
        while (!Finished()) {
            ui::ProcessMessages();
            platform::SleepMs(1);
        }
    }
    WaitFor();
}

void TExtractThread::Execute() {
    try {
        Zip_->SetActive(true);
        Zip_->Extract();
        FlushReports();
        const int32_t c = Zip_->ErrCode();
        if (c != 0 && c != kStopRequested) error_code_ = c;
    } catch (...) {
        error_code_ = -1;
    }
}

void TExtractThread::Completed() {
    if (window_.Done) window_.Done(Zip_->ProcessedCount(), skipped_count_, cancelled_);
}

AnsiString TExtractThread::ErrorMessage() const {
    if (Zip_->ErrCode() == error_code_) return Zip_->ErrMessage();
    return TCustomZMZipper::ZipLoadStr(error_code_);
}

void TExtractThread::ZipCheckTerminate(bool& abort) {
    if (Terminated()) cancelled_ = true;
    if (cancelled_ || Stopped) abort = true;
}

void TExtractThread::ZipProgress(const TZMProgressDetails& details) {
    switch (details.Order()) {
        case zpoNewItem: {
            CurrentItem = details.ItemName();
            // The exact name: the 8-bit one holds '?' for what the code page lacks.
            current_item_w_ = details.ItemNameW();
            TWaitingReport r;
            r.new_item = true;
            r.name = current_item_w_;
            r.number = details.ItemNumber();
            r.count = details.TotalCount();
            waiting_.push_back(std::move(r));
            break;
        }
        case zpoProgress: {
            // A later progress of the same item says all that an earlier one would.
            if (waiting_.empty() || waiting_.back().new_item) waiting_.emplace_back();
            waiting_.back().item_per_cent = details.ItemPerCent();
            waiting_.back().total_per_cent = details.TotalPerCent();
            break;
        }
        case zpoEndOfBatch:
            FlushReports();
            return;
        default:
            return;  // nothing to show
    }
    const auto due = last_hand_over_ + kShowEveryMs;
    if (ui::IsMainThread() || waiting_.size() >= kMostWaiting || platform::MonotonicMs() >= due)
        FlushReports();
}

void TExtractThread::FlushReports() {
    if (waiting_.empty()) return;
    Synchronize([this] { ShowReports(); });
    last_hand_over_ = platform::MonotonicMs();
}

void TExtractThread::ShowReports() {
    for (const TWaitingReport& r : waiting_) {
        if (!r.new_item) {
            // A new file keeps the previous file's bar until it has made some progress.
            if (r.item_per_cent > 0 && window_.ItemProgress != nullptr) {
                window_.ItemProgress->SetPosition(r.item_per_cent);
            }
            if (window_.ArchiveProgress != nullptr) {
                window_.ArchiveProgress->SetPosition(r.total_per_cent);
            }
            continue;
        }
        if (window_.Log != nullptr) window_.Log->AppendLine(r.name);
        if (window_.FileLabel != nullptr) {
            window_.FileLabel->SetCaption(FormatText(Languages.GetTextById(10, kTextCurrentFile),
                                                     {r.number, r.count, r.name}));
        }
    }
    waiting_.clear();
}

void TExtractThread::ZipExtractOverwrite(const AnsiString& file_name, bool& do_overwrite) {
    Answer(OverwriteAnswer, 11, kTextFileExists, file_name, do_overwrite);
}

void TExtractThread::ZipCRC32Error(const AnsiString& file_name, bool& do_extract) {
    Answer(CrcAnswer, 12, kTextCrcMismatch, file_name, do_extract);
}

void TExtractThread::Answer(int32_t& remembered, int text_id, const UString& default_text,
                            const AnsiString& file_name, bool& flag) {
    if (remembered == raYesToAll) {
        flag = true;
        return;
    }
    if (remembered == raNoToAll) {
        flag = false;
        return;
    }
    const UString text =
        FormatText(Languages.GetTextById(text_id, default_text), {ShownName(file_name)});
    switch (AskUser(text)) {
        case ui::mrYes:
            flag = true;
            break;
        case ui::mrNo:
            flag = false;
            break;
        case ui::mrYesToAll:
            flag = true;
            remembered = raYesToAll;
            break;
        case ui::mrNoToAll:
            flag = false;
            remembered = raNoToAll;
            break;
        case ui::mrCancel:
            flag = false;
            cancelled_ = true;
            break;
        default:
            break;
    }
}

UString TExtractThread::ShownName(const AnsiString& file_name) const {
    // The questions name the item being extracted; its exact name is known from its start.
    if (!current_item_w_.empty() && platform::WideToAnsi(current_item_w_) == file_name)
        return current_item_w_;
    return platform::AnsiToWide(file_name);
}

int32_t TExtractThread::AskUser(const UString& text) {
    // A run that is being stopped asks nothing more; the question counts as cancelled.
    if (Terminated()) return ui::mrCancel;
    question_text_ = text;
    question_buttons_ = kQuestionButtons;
    question_result_ = ui::mrCancel;
    // What was reported so far shows before the question does.
    Synchronize([this] {
        ShowReports();
        question_result_ = ui::ConfirmDialog(question_text_, window_.Owner);
    });
    last_hand_over_ = platform::MonotonicMs();
    return question_result_;
}

void TExtractThread::ZipSkipped(TZMSkipTypes skip_type, int& error_value) {
    ++skipped_count_;
    if (skip_type != stFileExists) {
        error_code_ = error_value;
        Stopped = true;
    }
}

void TExtractThread::ZipMessage(int error_code, const AnsiString& message) {
    (void)error_code;
    (void)message;
    // The component keeps the first error of the run itself. An access-denied condition noted
    // in LastError ends the run rather than failing file after file.
    if (last_error_ == kAccessDenied) Stopped = true;
}
