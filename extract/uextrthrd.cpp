#include "extract/uextrthrd.h"

#include "lang/utextformat.h"
#include "lang/ulng.h"
#include "platform/thread.h"
#include "ui/services.h"

namespace {

extraction::Answer FromModalResult(int32_t result) {
    switch (result) {
        case ui::mrYes:
            return extraction::Answer::Yes;
        case ui::mrNo:
            return extraction::Answer::No;
        case ui::mrYesToAll:
            return extraction::Answer::YesToAll;
        case ui::mrNoToAll:
            return extraction::Answer::NoToAll;
        case ui::mrCancel:
            return extraction::Answer::Cancel;
        default:
            return extraction::Answer::None;
    }
}

}  // namespace

AnsiString TExtractThread::EngineLocation;

TExtractThread::TExtractThread(TZMZipper& zip, const UString& destination,
                               const AnsiString& password, TExtractWindow window)
    : window_(std::move(window)) {
    OnTerminate = [this] { Completed(); };

    extraction::Setup setup;
    setup.destination = destination;
    setup.password = password;
    setup.engine_folder = EngineLocation;
    extraction::Owner owner;
    owner.report = [this](const extraction::Report& r) { Reported(r); };
    owner.ask = [this](extraction::Question, const UString& text) { return AskUser(text); };
    owner.should_stop = [this] { return Terminated(); };
    session_ =
        std::make_unique<extraction::TExtractionSession>(zip, setup, std::move(owner), Languages);

    Start();
}

TExtractThread::~TExtractThread() {
    // The base class would stop the worker too, but only after this part of the object (the
    // session the worker is using) is gone: stop and wait here, while everything still exists.
    StopAndWait();
}

void TExtractThread::StopAndWait() {
    Terminate();
    if (session_) session_->Cancel();
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
    session_->Run();
    FlushReports();
}

void TExtractThread::Completed() {
    if (window_.Done)
        window_.Done(session_->ProcessedCount(), session_->SkippedCount(), session_->Cancelled());
}

void TExtractThread::Reported(const extraction::Report& report) {
    switch (report.kind) {
        case extraction::Report::Kind::NewItem: {
            TWaitingReport r;
            r.new_item = true;
            r.name = report.name;
            r.number = report.number;
            r.count = report.count;
            waiting_.push_back(std::move(r));
            break;
        }
        case extraction::Report::Kind::Progress:
            // A later progress of the same item says all that an earlier one would.
            if (waiting_.empty() || waiting_.back().new_item) waiting_.emplace_back();
            waiting_.back().item_per_cent = report.item_per_cent;
            waiting_.back().total_per_cent = report.total_per_cent;
            break;
        case extraction::Report::Kind::EndOfBatch:
            FlushReports();
            return;
    }
    const auto due = last_hand_over_ + show_every_;
    if (ui::IsMainThread() || waiting_.size() >= kMostWaiting || platform::MonotonicMs() >= due)
        FlushReports();
}

void TExtractThread::FlushReports() {
    if (waiting_.empty()) return;
    Synchronize([this] { ShowReports(); });
    last_hand_over_ = platform::MonotonicMs();
}

void TExtractThread::ShowReports() {
    if (waiting_.empty()) return;
    const uint64_t start = platform::MonotonicMs();
    std::vector<UString> lines;
    const TWaitingReport* latest = nullptr;
    for (const TWaitingReport& r : waiting_) {
        if (r.new_item) {
            lines.push_back(r.name);
            latest = &r;
            continue;
        }
        // A new file keeps the previous file's bar until it has made some progress.
        if (r.item_per_cent > 0 && window_.ItemProgress != nullptr) {
            window_.ItemProgress->SetPosition(r.item_per_cent);
        }
        if (window_.ArchiveProgress != nullptr) {
            window_.ArchiveProgress->SetPosition(r.total_per_cent);
        }
    }
    if (window_.Log != nullptr) window_.Log->AppendLines(lines);
    if (latest != nullptr && window_.FileLabel != nullptr) {
        window_.FileLabel->SetCaption(FormatText(Languages.Text(texts::kCurrentFile),
                                                 {latest->number, latest->count, latest->name}));
    }
    waiting_.clear();
    // Read by the worker after the hand-over has returned.
    const uint64_t took = platform::MonotonicMs() - start;
    show_every_ = took * kQuietFactor > kShowEveryMs ? took * kQuietFactor : kShowEveryMs;
}

extraction::Answer TExtractThread::AskUser(const UString& text) {
    question_text_ = text;
    question_result_ = ui::mrCancel;
    // What was reported so far shows before the question does. The dialog has the buttons Yes,
    // No, Cancel, No to all and Yes to all; closing it counts as Cancel.
    Synchronize([this] {
        ShowReports();
        question_result_ = ui::ConfirmDialog(question_text_, window_.Owner);
    });
    last_hand_over_ = platform::MonotonicMs();
    return FromModalResult(question_result_);
}
