#include "extract/ExtractionSession.h"

#include <exception>

#include "common/ownfile.h"
#include "engine/ZMEngineApi.h"
#include "lang/utextformat.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "zip/ZMMessages.h"

namespace extraction {
namespace {

enum Remembered : int32_t { kAsk = 0, kYesToAll = 1, kNoToAll = 2 };

// A skipped entry's error value is an engine error number (a stop, 1 or 2, or an error proper;
// negative where skipping was not allowed); the component's own codes lie far above them.
bool IsEngineErrorValue(int32_t code) {
    const int32_t n = ZESkipErrorOf(code);
    return n == ZE_ERR_CANCEL || n == ZE_ERR_ABORT || IsZEError(n);
}

}  // namespace

TExtractionSession::TExtractionSession(TZMZipper& zip, const Setup& setup, Owner owner,
                                       const TLanguages& texts)
    : owner_(std::move(owner)), texts_(texts), zip_(zip) {
    was_not_main_thread_ = zip_.NotMainThread;
    TZMZipper& z = zip_;
    z.NotMainThread = true;
    z.OnCheckTerminate = [this](TCustomZMZipper&, bool& abort) { CheckTerminate(abort); };
    z.OnProgress = [this](TCustomZMZipper&, const TZMProgressDetails& d) { Progress(d); };
    z.OnExtractOverwrite = [this](TCustomZMZipper&, const TZMText& file, bool, bool& yes, int) {
        Decide(Question::FileExists, overwrite_answer_, file.Exact, yes);
    };
    z.OnCRC32Error = [this](TCustomZMZipper&, const TZMText& file, uint32_t, uint32_t, bool& keep) {
        crc_mismatches_.push_back(SystemPathName(file.Exact));
        Decide(Question::CrcMismatch, crc_answer_, file.Exact, keep);
    };
    z.OnSkipped = [this](TCustomZMZipper&, const TZMText&, TZMSkipTypes type, int& value) {
        Skipped(type, value);
    };
    // The component keeps the first error of the run itself; the texts are kept for a report.
    z.OnMessage = [this](TCustomZMZipper&, int code, const TZMText& text) {
        if (code != 0) problems_.push_back(text.Exact);
    };
    z.Unattended = true;
    z.FSpecArgs = {"*.*"};
    z.ExtrBaseDir = setup.destination;
    z.ExtrOptions = ZMExtrOpt(ExtrDirNames) | ZMExtrOpt(ExtrForceDirs);
    if (setup.overwrite) z.ExtrOptions |= ZMExtrOpt(ExtrOverWrite);
    z.Password = setup.password;
    if (!setup.engine_folder.empty()) z.SetDLLDirectory(setup.engine_folder);
}

TExtractionSession::~TExtractionSession() {
    zip_.OnCheckTerminate = nullptr;
    zip_.OnProgress = nullptr;
    zip_.OnExtractOverwrite = nullptr;
    zip_.OnCRC32Error = nullptr;
    zip_.OnSkipped = nullptr;
    zip_.OnMessage = nullptr;
    zip_.NotMainThread = was_not_main_thread_;
}

RunEnd TExtractionSession::Run() {
    try {
        zip_.SetActive(true);  // reads the directory unless it is known
        zip_.Extract();
        const int32_t c = zip_.ErrCode();
        if (c == zmmsg::Cancelled) {
            // A stop nobody recorded a reason for was asked for from outside (Cancel).
            if (error_code_ == 0) cancelled_ = true;
        } else if (c != 0) {
            error_code_ = c;
        }
    } catch (...) {
        error_code_ = -1;
    }
    return End();
}

void TExtractionSession::Cancel() { zip_.Cancel(); }

RunEnd TExtractionSession::End() const {
    RunEnd end;
    if (cancelled_) {
        end.kind = EndKind::Cancelled;
        return end;
    }
    end.code = error_code_;
    if (error_code_ == 0) return end;
    if (error_code_ == -1) {
        end.kind = EndKind::InternalError;
        return end;
    }
    end.kind = IsEngineErrorValue(error_code_) ? EndKind::EngineError : EndKind::ComponentError;
    // The component's own message when it recorded this very code, else its table's text.
    end.message = zip_.ErrCode() == error_code_ ? zip_.ErrMessageW()
                                                : platform::AnsiToWide(ZMLoadStr(error_code_));
    return end;
}

void TExtractionSession::CheckTerminate(bool& abort) {
    if (owner_.should_stop && owner_.should_stop()) cancelled_ = true;
    if (cancelled_ || stopped_) abort = true;
}

void TExtractionSession::Progress(const TZMProgressDetails& details) {
    if (!owner_.report) return;
    Report r;
    switch (details.Order()) {
        case zpoNewItem:
            // The exact name: the 8-bit one holds '?' for what the code page lacks.
            current_item_ = details.ItemNameW();
            r.kind = Report::Kind::NewItem;
            r.name = SystemPathName(current_item_);
            r.number = details.ItemNumber();
            r.count = details.TotalCount();
            r.total_per_cent = details.TotalPerCent();
            break;
        case zpoProgress:
            r.kind = Report::Kind::Progress;
            r.name = SystemPathName(current_item_);
            r.number = details.ItemNumber();
            r.count = details.TotalCount();
            r.item_per_cent = details.ItemPerCent();
            r.total_per_cent = details.TotalPerCent();
            break;
        case zpoEndOfBatch:
            r.kind = Report::Kind::EndOfBatch;
            break;
        default:
            return;  // nothing anybody shows
    }
    owner_.report(r);
}

void TExtractionSession::Decide(Question q, int32_t& remembered, const UString& file_name,
                                bool& flag) {
    if (remembered == kYesToAll) {
        flag = true;
        return;
    }
    if (remembered == kNoToAll) {
        flag = false;
        return;
    }
    // A run that is being stopped asks nothing more; the question counts as cancelled.
    Answer a = Answer::Cancel;
    if (!(owner_.should_stop && owner_.should_stop()) && owner_.ask) {
        const TTextId& which = q == Question::FileExists ? texts::kFileExists : texts::kCrcMismatch;
        const UString text = FormatText(texts_.Text(which), {SystemPathName(file_name)});
        a = owner_.ask(q, text);
    }
    switch (a) {
        case Answer::Yes:
            flag = true;
            break;
        case Answer::No:
            flag = false;
            break;
        case Answer::YesToAll:
            flag = true;
            remembered = kYesToAll;
            break;
        case Answer::NoToAll:
            flag = false;
            remembered = kNoToAll;
            break;
        case Answer::Cancel:
            flag = false;
            cancelled_ = true;
            break;
        case Answer::None:
            break;
    }
}

void TExtractionSession::Skipped(TZMSkipTypes type, int error_value) {
    ++skipped_count_;
    if (type == stFileExists) {
        ++kept_count_;
        return;
    }
    error_code_ = error_value;
    stopped_ = true;
}

}  // namespace extraction
