#pragma once
// TExtractThread: one extraction run of the package's archive on a worker thread. It drives its
// own zip component and reports to the window only through synchronous calls on the main thread
// (the worker waits for each): the current file's line, both progress bars, one log line per
// entry, the questions about existing files and checksum mismatches, and at the end the
// completion call. It shows no error itself; the window reads ErrorCode / ErrorMessage afterwards.
//
// Each hand-over costs the worker a round trip through the window system, more than writing a
// small file does. So reports wait on the worker and go over together, in the order they came,
// at most every kShowEveryMs (at once when the run's handler is called on the main thread), and
// always before a question and before the run ends; reports that show nothing are not handed
// over, and a progress report replaces the one waiting before it for the same item. Every new
// item still gets its own log line and caption, each file's bars are set to its last progress
// before the next item shows, and the bars reach their final values before the completion call.
//
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/types.h"
#include "ui/component.h"
#include "ui/thread.h"
#include "zip/ZMZipper.h"

// What the thread shows its progress on; any control may be null. Done runs on the main thread
// after the run has ended, with the component's processed count, the skipped count and whether
// the user cancelled.
struct TExtractWindow {
    ui::TForm* Owner = nullptr;  // owner of the question dialog
    ui::TComponent* FileLabel = nullptr;
    ui::TComponent* ItemProgress = nullptr;
    ui::TComponent* ArchiveProgress = nullptr;
    ui::TComponent* Log = nullptr;
    std::function<void(int32_t processed, int32_t skipped, bool cancelled)> Done;
};

// Remembered answers of the two questions.
enum TRememberedAnswer : int32_t { raAsk = 0, raYesToAll = 1, raNoToAll = 2 };

class TExtractThread : public ui::TThread {
  public:
    // The confirmation dialog's buttons Yes, No, Cancel, No to all, Yes to all as a set.
    static constexpr uint16_t kQuestionButtons = 0x30B;
    // The component's code for a stop that was asked for.
    static constexpr int32_t kStopRequested = 11007;
    // Reports shown more often than this are more than a person can follow.
    static constexpr int kShowEveryMs = 40;
    // Reports that may wait at most, so a hand-over never grows without bound.
    static constexpr size_t kMostWaiting = 512;

    TExtractThread(const AnsiString& zip_file_name, const AnsiString& destination,
                   const AnsiString& password, TExtractWindow window);
    ~TExtractThread() override;

    int32_t ErrorCode() const { return error_code_; }
    // The text for ErrorCode: the component's own message when it recorded this very code, else
    // the component's text for the code.
    AnsiString ErrorMessage() const;
    int32_t LastError() const { return last_error_; }
    int32_t SkippedCount() const { return skipped_count_; }
    bool Cancelled() const { return cancelled_; }
    TZMZipper& Zip() { return *Zip_; }

    // Asks the run to stop, drops its completion call and waits until the worker has ended,
    // serving the worker's main-thread calls meanwhile (main thread).
    void StopAndWait();

    // Where every extraction's component looks for the engine library (its DLLDirectory); empty
    // leaves the loader's own order (the program's carried copy first).
    static AnsiString EngineLocation;

  protected:
    void Execute() override;

  private:
    void ZipCheckTerminate(bool& abort);
    void ZipProgress(const TZMProgressDetails& details);
    // Hands the waiting reports to the main thread, which shows them (ShowReports) in order.
    void FlushReports();
    void ShowReports();
    void ZipExtractOverwrite(const AnsiString& file_name, bool& do_overwrite);
    void ZipCRC32Error(const AnsiString& file_name, bool& do_extract);
    void ZipSkipped(TZMSkipTypes skip_type, int& error_value);
    void ZipMessage(int error_code, const AnsiString& message);
    // One rule for both questions: the remembered answer, else ask and remember.
    void Answer(int32_t& remembered, int text_id, const UString& default_text,
                const AnsiString& file_name, bool& flag);
    int32_t AskUser(const UString& text);
    // A file name from the component as the questions show it.
    UString ShownName(const AnsiString& file_name) const;
    void Completed();

    // Fields in the order of the contract.
    std::unique_ptr<TZMZipper> Zip_;
    AnsiString zip_file_name_;
    AnsiString password_;
    AnsiString destination_;
    // Reports not yet shown, as what they show (the component's record changes in place).
    struct TWaitingReport {
        bool new_item = false;
        UString name;  // a new item: its caption's values
        int32_t number = 0;
        int64_t count = 0;
        int32_t item_per_cent = 0;  // progress: the bars' values
        int32_t total_per_cent = 0;
    };
    std::vector<TWaitingReport> waiting_;
    uint64_t last_hand_over_ = 0;  // platform::MonotonicMs of the last hand-over
    int32_t error_code_ = 0;
    AnsiString CurrentItem;
    UString current_item_w_;  // CurrentItem, exact
    int32_t last_error_ = 0;
    int32_t OverwriteAnswer = raAsk;
    int32_t CrcAnswer = raAsk;
    bool cancelled_ = false;
    bool Stopped = false;
    int32_t skipped_count_ = 0;
    UString question_text_;
    uint16_t question_buttons_ = 0;
    int32_t question_result_ = 0;

    TExtractWindow window_;
};
