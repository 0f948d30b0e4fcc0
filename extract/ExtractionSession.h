#pragma once
// TExtractionSession: one extraction run of a package's archive, with no window and no terminal.
// The installer's worker thread and `zmpack extract` both run through it and add only how its
// reports and questions reach a person.
//
// It runs through the component that opened the package (its directory is known, so it is not
// read again), borrowed for the run and handed back without the session's handlers, and gives it
// the destination exactly as it is. Names and messages reach its owner exact. It answers the
// component's two questions (an existing file, a checksum mismatch) from the remembered answers or
// by asking its owner with the language pack's texts, applies the skip and stop rules, and sorts
// the end of the run into one small vocabulary.
//
// Rules of a run:
// - Yes to all / No to all answer every later question of the same kind; the two kinds are
//   remembered apart, for one run. Cancel in a question cancels the run.
// - A skipped entry is counted; an existing file left alone (stFileExists) is no error, any other
//   skip records its error value and stops the run at the component's next check.
// - A stop asked for by the owner (ShouldStop) cancels the run at the component's next check.
// Files already written stay in every case.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "zip/ZMZipper.h"

class TLanguages;

namespace extraction {

// How a run ended.
enum class EndKind {
    Done,            // every entry extracted or left alone as answered
    Cancelled,       // the owner or a question's Cancel stopped it; no error of its own
    ComponentError,  // the component failed (no archive, no destination, no engine ...)
    EngineError,     // an entry was refused; the code is its error value (may be negative)
    InternalError,   // something unexpected escaped the run; code -1
};

struct RunEnd {
    EndKind kind = EndKind::Done;
    int32_t code = 0;  // 0 for Done and Cancelled
    // The component's text for the code: its own message when it recorded this very code, else
    // its table's text; empty when it has none.
    UString message;
};

enum class Question { FileExists, CrcMismatch };
// A question's answers; None leaves the component's preset (a dialog closed some other way).
enum class Answer { Yes, No, YesToAll, NoToAll, Cancel, None };

// One report of the run, names as the system writes paths (the archive's '/' turned into '\' on
// Windows), exact.
struct Report {
    enum class Kind { NewItem, Progress, EndOfBatch } kind = Kind::NewItem;
    UString name;        // the item's stored name
    int32_t number = 0;  // new item: its number, from 1
    int64_t count = 0;   // new item: the run's item count
    int32_t item_per_cent = 0;
    int32_t total_per_cent = 0;
};

struct Setup {
    UString destination;       // created with its missing parents when needed
    AnsiString password;       // empty: none
    bool overwrite = false;    // replace existing files without asking
    AnsiString engine_folder;  // where to look for the engine library; empty: the loader's order
};

struct Owner {
    std::function<void(const Report&)> report;  // may be empty
    // Asks a person; the text is the language pack's, filled in with the file's name.
    std::function<Answer(Question, const UString& text)> ask;
    std::function<bool()> should_stop;  // may be empty
};

class TExtractionSession {
  public:
    // zip: the component that opened the package (TZMArchiveFile::Zip), borrowed until the
    // session ends; texts: the language pack the questions come from (the installer's global one,
    // or the package's own for zmpack).
    TExtractionSession(TZMZipper& zip, const Setup& setup, Owner owner, const TLanguages& texts);
    ~TExtractionSession();
    TExtractionSession(const TExtractionSession&) = delete;
    TExtractionSession& operator=(const TExtractionSession&) = delete;

    // Runs the extraction to its end and returns how it ended. Call once.
    RunEnd Run();
    // Asks a running Run to stop at once (any thread); it ends as cancelled.
    void Cancel();

    RunEnd End() const;
    int32_t ProcessedCount() const { return zip_.ProcessedCount(); }
    int32_t SkippedCount() const { return skipped_count_; }
    int32_t KeptCount() const { return kept_count_; }  // existing files left alone
    bool Cancelled() const { return cancelled_; }
    // The component's messages with a non-zero code, in order, and the entries whose checksum
    // did not match; exact.
    const std::vector<UString>& Problems() const { return problems_; }
    const std::vector<UString>& CrcMismatches() const { return crc_mismatches_; }

    // The run's component, for tests that replay its reports.
    TZMZipper& Zip() { return zip_; }

  private:
    void CheckTerminate(bool& abort);
    void Progress(const TZMProgressDetails& details);
    void Decide(Question q, int32_t& remembered, const UString& file_name, bool& flag);
    void Skipped(TZMSkipTypes type, int error_value);

    Owner owner_;
    const TLanguages& texts_;
    TZMZipper& zip_;
    bool was_not_main_thread_ = false;
    UString current_item_;  // exact stored name of the item under way
    int32_t error_code_ = 0;
    int32_t overwrite_answer_ = 0;  // 0 ask, 1 yes to all, 2 no to all
    int32_t crc_answer_ = 0;
    bool cancelled_ = false;
    bool stopped_ = false;
    int32_t skipped_count_ = 0;
    int32_t kept_count_ = 0;
    std::vector<UString> problems_;
    std::vector<UString> crc_mismatches_;
};

}  // namespace extraction
