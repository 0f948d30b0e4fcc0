#pragma once
// TZMZipper: the zip component. It reads an archive's directory itself (the archive may sit at
// the end of another file, as in a package) and hands extractions to the zip engine library
// through the process-wide TZMEngineLoader, turning the engine's callbacks into the events below.
//
// Use: create, (set Active false), configure, (set Active true), call Extract once, then read
// ErrCode, ErrMessage and ProcessedCount. Failures never leave an operation as exceptions: the
// first error of an operation is kept in ErrCode / ErrMessage.
//
// Threads: one operation at a time per instance; every event runs on the thread that called the
// operation. Cancel may be called from any thread.
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "engine/zipformat.h"
#include "platform/types.h"
#include "zip/EZMZipper.h"
#include "zip/ZMEngineLoad.h"
#include "zip/ZMMessages.h"
#include "zip/ZMProgressDetails.h"

// Extraction options, in bit order (a set is a mask of 1 << value).
enum TZMExtrOptsEnum : uint32_t {
    ExtrDirNames = 0,   // recreate the entries' stored folders below ExtrBaseDir
    ExtrOverWrite = 1,  // replace existing files without asking
    ExtrFreshen = 2,    // only files that exist and are older
    ExtrUpdate = 3,     // only files that are newer or missing
    ExtrTest = 4,       // test only, write nothing; the destination is not checked
    ExtrForceDirs = 5,  // create ExtrBaseDir with all missing parents
    ExtrNTFS = 6,
};
using TZMExtrOpts = uint32_t;
constexpr TZMExtrOpts ZMExtrOpt(TZMExtrOptsEnum e) { return 1u << e; }

// Why an entry was skipped (values as the engine reports them).
enum TZMSkipTypes : int32_t {
    stOnFreshen = 0,
    stNoOverwrite,
    stFileExists,
    stBadPassword,
    stBadName,
    stCompressionUnknown,
    stUnknownZipHost,
    stZipFileFormatWrong,
    stGeneralExtractError,
    stUser,
    stCannotDo,
    stNotFound,
    stNoShare,
    stNoAccess,
    stNoOpen,
    stDupName,
    stReadError,
    stSizeChange,
};
using TZMSkipSet = uint32_t;  // bit n for skip type n
constexpr TZMSkipSet ZMSkip(TZMSkipTypes t) { return 1u << t; }

enum TZMEncodingOpts { zeoAuto, zeoNone, zeoOEM, zeoUTF8, zeoUPath };

// A name or message as an event gets it: the 8-bit text of the system code page the event is
// declared with ('?' for what the code page lacks), and Exact, the same text as it is.
struct TZMText : AnsiString {
    TZMText(AnsiString ansi, UString exact)
        : AnsiString(std::move(ansi)), Exact(std::move(exact)) {}
    UString Exact;
};

// Answer of an OnPasswordError handler.
enum class TZMPasswordAction { Refuse, Try, Abort };

class TCustomZMZipper : public TZMLoaderClient {
  public:
    // ErrCode bit added when a call is refused because an operation of the instance runs.
    static constexpr int32_t kBusyMark = 0x4000000;
    static constexpr uint32_t kMaxPasswordRequests = 15;
    static constexpr TZMSkipSet kDefaultNoSkipping = 0x18000;  // stDupName, stReadError

    TCustomZMZipper();
    ~TCustomZMZipper() override;
    TCustomZMZipper(const TCustomZMZipper&) = delete;
    TCustomZMZipper& operator=(const TCustomZMZipper&) = delete;

    // --- Properties -------------------------------------------------------------------------
    // While false, setting ZipFileName only records it and every operation reports 10109;
    // turning it true reads the recorded archive's directory.
    bool Active() const { return active_; }
    void SetActive(bool value);
    // Path of the archive. The component keeps it as UTF-16 (ZipFileNameW), exact; the 8-bit
    // forms are the system code page's. Setting it while active reads the directory.
    AnsiString ZipFileName() const;
    void SetZipFileName(const AnsiString& name);
    const UString& ZipFileNameW() const { return zip_path_; }
    void SetZipFileNameW(const UString& name);

    bool Unattended = false;            // no dialogs of the component's own (no password prompt)
    std::vector<AnsiString> FSpecArgs;  // entry patterns to process; none: every entry
    std::vector<AnsiString> FSpecArgsExcl;  // entry patterns to leave out
    UString ExtrBaseDir;                    // destination folder, exact
    TZMExtrOpts ExtrOptions = 0;
    AnsiString Password;
    TZMSkipSet NoSkipping = kDefaultNoSkipping;  // skip reasons that abort the operation
    TZMEncodingOpts Encoding = zeoAuto;
    bool Verbose = false;
    bool Trace = false;
    // The component runs off the main thread. It never pumps window messages or changes the
    // cursor on any thread (it has no window loop of its own), so the flag only records that.
    bool NotMainThread = false;

    uint32_t PasswordReqCount() const { return password_req_count_; }
    void SetPasswordReqCount(uint32_t value);  // values above 15 become 15
    void SetDLLDirectory(const AnsiString& value) { dll_directory_ = value; }
    AnsiString DLLDirectory() const override { return dll_directory_; }
    void SetTempDir(const AnsiString& value) { temp_dir_ = value; }
    AnsiString TempDir() const override { return temp_dir_; }

    // --- Results ----------------------------------------------------------------------------
    // Result of the last operation, 0 = success; 10109 while inactive.
    int32_t ErrCode() const;
    // The text for ErrCode: as reported with the code, else the message table's, else 10125;
    // exact (ErrMessageW), or in the system code page.
    UString ErrMessageW() const;
    AnsiString ErrMessage() const;
    // Entries in the archive's directory; 0 when inactive or no archive is open.
    int32_t Count() const;
    // Files the last operation processed, as the engine returned it; 0 after a failure.
    int32_t ProcessedCount() const { return processed_count_; }
    // Making the component active reads the directory through, checking every entry, but keeps
    // only their number: an extraction needs no more, and a listing of many entries would cost
    // a few hundred bytes each. What lists entries walks the directory again:
    // ForEachEntry without holding them (false when the archive cannot be read through, or the
    // visitor returned false), Entries holding them all from its first call on (stored order;
    // empty when inactive or unreadable).
    bool ForEachEntry(const std::function<bool(const zipformat::ZipEntry&)>& visit) const;
    const std::vector<zipformat::ZipEntry>& Entries() const;
    // An entry's stored name decoded (ZipEntry::DecodedName), and its 8-bit form.
    UString EntryNameW(size_t index) const;
    AnsiString EntryName(size_t index) const;

    // --- Operations -------------------------------------------------------------------------
    // Extracts the entries matching FSpecArgs; returns ErrCode.
    int32_t Extract();
    // Asks the running operation to stop (code 11007). Any thread.
    void Cancel();
    // The component's text for a message id ("Resource missing for <id>" when it has none).
    static AnsiString ZipLoadStr(int id) { return ZMMessageText(id); }

    // --- Events (all on the operation's thread) ---------------------------------------------
    // ForFile and ErrMsg are 8-bit texts with the exact text beside them (TZMText::Exact).
    std::function<void(TCustomZMZipper& sender, bool& abort)> OnCheckTerminate;
    std::function<void(TCustomZMZipper& sender, const TZMProgressDetails& details)> OnProgress;
    std::function<void(TCustomZMZipper& sender, const TZMText& ForFile, bool IsOlder,
                       bool& DoOverwrite, int DirIndex)>
        OnExtractOverwrite;
    std::function<void(TCustomZMZipper& sender, const TZMText& ForFile, uint32_t FoundCRC,
                       uint32_t ExpectedCRC, bool& DoExtract)>
        OnCRC32Error;
    std::function<void(TCustomZMZipper& sender, const TZMText& ForFile, TZMSkipTypes SkipType,
                       int& ExtError)>
        OnSkipped;
    std::function<void(TCustomZMZipper& sender, int ErrCode, const TZMText& ErrMsg)> OnMessage;
    std::function<void(TCustomZMZipper& sender)> OnTick;
    // An entry needs a password: put it in NewPassword and answer Try, or Refuse / Abort.
    std::function<void(TCustomZMZipper& sender, const TZMText& ForFile, AnsiString& NewPassword,
                       TZMPasswordAction& Action)>
        OnPasswordError;
    // Called with every entry while the component reads the directory (when it becomes active or
    // gets a new file name), so its owner learns what it needs of the listing in the same walk.
    std::function<void(const zipformat::ZipEntry& entry)> OnDirectoryEntry;

    // How many times this component, and every component of the process, has walked an
    // archive's directory.
    uint32_t DirectoryWalks() const { return directory_walks_; }
    static uint64_t ProcessDirectoryWalks();
    // The end records of the directory read last (all zero when none could be read).
    const zipformat::ZipEnd& DirectoryEnd() const { return directory_end_; }

    // TZMLoaderClient
    int Verbosity() const override { return Trace ? 2 : Verbose ? 1 : 0; }
    void ReportMessage(int msg_id, const AnsiString& text) override;

  private:
    void ReadDirectory();
    // Walks the archive's directory; 0, or the error code with its text in why.
    int32_t WalkDirectory(const std::function<bool(const zipformat::ZipEntry&)>& visit,
                          UString& why, zipformat::ZipEnd* end = nullptr) const;
    void ClearDirectory();
    void ClearResult();
    void SetError(int32_t code, const UString& message);
    bool HasError() const { return err_code_ != 0; }
    void StopForSkip(int32_t error_value, const UString& name);
    void CheckTerminate();
    void Message(int32_t code, const UString& text);
    void ProgressReport();
    void RunExtract();
    UString PreparedBaseDir();

    static int32_t ZM_STDCALL FileRoutine(ZECallbackInfo* info);
    static int32_t ZM_STDCALL ProgressRoutine(ZECallbackInfo* info);
    int32_t OnFileCallback(ZECallbackInfo& info);
    int32_t OnProgressCallback(ZECallbackInfo& info);

    bool active_ = true;
    bool pending_read_ = false;
    mutable uint32_t directory_walks_ = 0;
    bool busy_ = false;
    bool refused_ = false;
    UString zip_path_;
    AnsiString dll_directory_;
    AnsiString temp_dir_;
    uint32_t password_req_count_ = 1;

    int32_t err_code_ = 0;
    UString err_message_;
    int32_t processed_count_ = 0;
    std::atomic<bool> stop_requested_{false};
    std::atomic<uint32_t> running_handle_{0};
    std::exception_ptr handler_exception_;

    size_t entry_count_ = 0;  // entries in the directory read last
    zipformat::ZipEnd directory_end_;
    mutable std::vector<zipformat::ZipEntry> listed_;  // Entries(), once asked for
    mutable bool listed_read_ = false;
    TProgDetails progress_;
};

class TZMZipper : public TCustomZMZipper {
  public:
    TZMZipper() = default;
};
