#pragma once
// TExtractThread: one extraction run of the package's archive on a worker thread. It drives its
// own extraction session and reports to the window only through synchronous calls on the main
// thread (the worker waits for each): the current file's line, both progress bars, one log line per
// entry, the questions about existing files and checksum mismatches, and at the end the
// completion call. It shows no error itself; the window reads End() afterwards. What the run
// decides (the component's set-up, the questions' rules, skips and stops, how it ended) is the
// extraction session's; the thread adds the worker, the hand-over and the window's calls.
//
// This is the one place the run's reports are paced. Each hand-over costs the worker a round trip
// through the window system, more than writing a small file does, and what it shows costs the
// window in proportion to its log. So reports wait on the worker and go over together, in the
// order they came, at most every kShowEveryMs and never sooner than kQuietFactor times as long as
// showing the last ones took (at once when the run's handler is called on the main thread), and
// always before a question and before the run ends; reports that show nothing are not handed
// over, and a progress report replaces the one waiting before it for the same item. A hand-over
// adds every new item's log line in one go, sets the bars as the items' progress went, and the
// caption once, for the latest item (a person reads no caption shown for less than that); the
// bars reach their final values before the completion call.
//
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "extract/ExtractionSession.h"
#include "platform/types.h"
#include "ui/component.h"
#include "ui/thread.h"

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

class TExtractThread : public ui::TThread {
  public:
    // Reports shown more often than this are more than a person can follow.
    static constexpr int kShowEveryMs = 40;
    // Reports that may wait at most, so a hand-over never grows without bound.
    static constexpr size_t kMostWaiting = 512;
    static constexpr uint64_t kQuietFactor = 10;

    // zip: the component that opened the package (TZMArchiveFile::Zip), borrowed for the run; the
    // destination as it is (exact), the archive's password.
    TExtractThread(TZMZipper& zip, const UString& destination, const AnsiString& password,
                   TExtractWindow window);
    ~TExtractThread() override;

    // How the run ended; read after the completion call.
    extraction::RunEnd End() const { return session_->End(); }
    bool Cancelled() const { return session_->Cancelled(); }
    extraction::TExtractionSession& Session() { return *session_; }

    // Asks the run to stop, drops its completion call and waits until the worker has ended,
    // serving the worker's main-thread calls meanwhile (main thread).
    void StopAndWait();

    // Where every extraction's component looks for the engine library (its DLLDirectory); empty
    // leaves the loader's own order (the program's carried copy first).
    static AnsiString EngineLocation;

  protected:
    void Execute() override;

  private:
    void Reported(const extraction::Report& report);
    // Hands the waiting reports to the main thread, which shows them (ShowReports) in order.
    void FlushReports();
    void ShowReports();
    extraction::Answer AskUser(const UString& text);
    void Completed();

    std::unique_ptr<extraction::TExtractionSession> session_;
    // Reports not yet shown, as what they show.
    struct TWaitingReport {
        bool new_item = false;
        UString name;  // a new item: its caption's values
        int32_t number = 0;
        int64_t count = 0;
        int32_t item_per_cent = 0;  // progress: the bars' values
        int32_t total_per_cent = 0;
    };
    std::vector<TWaitingReport> waiting_;
    uint64_t last_hand_over_ = 0;         // platform::MonotonicMs of the last hand-over
    uint64_t show_every_ = kShowEveryMs;  // the pace, after what showing the last ones cost
    UString question_text_;
    int32_t question_result_ = 0;

    TExtractWindow window_;
};
