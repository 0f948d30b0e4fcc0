#include "zip/ZMZipper.h"

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/sysdirs.h"

namespace {

// The message table holds 8-bit texts in the system code page: each is widened where it is
// taken, and the names put into it stay exact.
UString TableText(int32_t id) { return platform::AnsiToWide(ZMLoadStr(id)); }

UString CodeText(int32_t code) {
    const AnsiString s = ZMLoadStr(code);
    if (!s.empty()) return platform::AnsiToWide(s);
    return platform::AnsiToWide(ZMFormat(ZMLoadStr(zmmsg::UnknownError), {std::to_string(code)}));
}

// A table text with its one "%s" filled in.
UString FillText(int32_t id, const UString& arg) {
    UString s = TableText(id);
    const size_t at = s.find(u"%s");
    return at == UString::npos ? s : s.replace(at, 2, arg);
}

// The text of an engine error value n as the component's table has it.
UString EngineErrorText(int32_t n) {
    if (IsZEError(n)) {
        UString s = TableText(zmmsg::EngineErrorBase + n);
        if (!s.empty()) return s;
    }
    return CodeText(n);
}

TZMText Exact(const char* utf8) {
    UString exact = platform::Utf8ToWide(utf8 != nullptr ? utf8 : "");
    AnsiString ansi = platform::WideToAnsi(exact);
    return TZMText(std::move(ansi), std::move(exact));
}

const char* Str(const char* p) { return p != nullptr ? p : ""; }

std::atomic<uint64_t> process_walks{0};

class UnloadGuard {
  public:
    explicit UnloadGuard(TZMLoaderClient* client) : client_(client) {}
    ~UnloadGuard() { EngineLoader().Unload(client_); }
    UnloadGuard(const UnloadGuard&) = delete;
    UnloadGuard& operator=(const UnloadGuard&) = delete;

  private:
    TZMLoaderClient* client_;
};

}  // namespace

TCustomZMZipper::TCustomZMZipper() = default;

TCustomZMZipper::~TCustomZMZipper() { EngineLoader().Remove(this); }

void TCustomZMZipper::SetActive(bool value) {
    if (value == active_ || busy_) {
        if (busy_) refused_ = true;
        return;
    }
    active_ = value;
    if (!active_) {
        pending_read_ = pending_read_ || !zip_path_.empty();
        return;
    }
    if (pending_read_) {
        ClearResult();
        ReadDirectory();
    }
}

AnsiString TCustomZMZipper::ZipFileName() const { return platform::WideToAnsi(zip_path_); }

void TCustomZMZipper::SetZipFileName(const AnsiString& name) {
    SetZipFileNameW(platform::AnsiToWide(name));
}

void TCustomZMZipper::SetZipFileNameW(const UString& name) {
    if (busy_) {
        refused_ = true;
        return;
    }
    zip_path_ = name;
    ClearDirectory();
    if (!active_) {
        pending_read_ = true;
        return;
    }
    ClearResult();
    ReadDirectory();
}

void TCustomZMZipper::SetPasswordReqCount(uint32_t value) {
    password_req_count_ = value > kMaxPasswordRequests ? kMaxPasswordRequests : value;
}

int32_t TCustomZMZipper::ErrCode() const {
    if (!active_) return zmmsg::NotActive;
    return refused_ ? (err_code_ | kBusyMark) : err_code_;
}

UString TCustomZMZipper::ErrMessageW() const {
    UString text;
    if (!active_)
        text = CodeText(zmmsg::NotActive);
    else if (!err_message_.empty())
        text = err_message_;
    else if (err_code_ != 0)
        text = CodeText(err_code_);
    if (active_ && refused_) text = FillText(zmmsg::Busy, text);
    return text;
}

AnsiString TCustomZMZipper::ErrMessage() const { return platform::WideToAnsi(ErrMessageW()); }

int32_t TCustomZMZipper::Count() const {
    if (!active_) return 0;
    const size_t max = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(entry_count_ < max ? entry_count_ : max);
}

bool TCustomZMZipper::ForEachEntry(
    const std::function<bool(const zipformat::ZipEntry&)>& visit) const {
    if (!active_ || entry_count_ == 0) return false;
    bool stopped = false;
    UString why;
    const int32_t error = WalkDirectory(
        [&](const zipformat::ZipEntry& e) {
            stopped = !visit(e);
            return !stopped;
        },
        why);
    return error == 0 && !stopped;
}

void TCustomZMZipper::ClearDirectory() {
    entry_count_ = 0;
    directory_end_ = zipformat::ZipEnd();
    listed_.clear();
    listed_.shrink_to_fit();
    listed_read_ = false;
    pending_read_ = false;
}

void TCustomZMZipper::ClearResult() {
    err_code_ = 0;
    err_message_.clear();
    processed_count_ = 0;
}

void TCustomZMZipper::SetError(int32_t code, const UString& message) {
    if (err_code_ != 0 || code == 0) return;  // the first error of an operation wins
    err_code_ = code;
    err_message_ = message;
}

uint64_t TCustomZMZipper::ProcessDirectoryWalks() { return process_walks.load(); }

// The archive may follow other data (a package's stub and blocks): the reader finds its start
// from the end records, and every size and offset is checked against the file.

int32_t TCustomZMZipper::WalkDirectory(const std::function<bool(const zipformat::ZipEntry&)>& visit,
                                       UString& why, zipformat::ZipEnd* end) const {
    ++directory_walks_;
    ++process_walks;
    platform::FileStream file;
    if (!file.Open(zip_path_, platform::FileStream::Mode::ReadShared)) {
        why = EngineErrorText(ZE_ERR_OPEN_ZIP) + u" " + zip_path_;
        return zmmsg::EngineErrorBase + ZE_ERR_OPEN_ZIP;
    }
    zipformat::FileSource source(file);
    zipformat::ZipDirectory dir;
    bool ok = dir.Open(&source);
    if (ok) {
        if (end != nullptr) *end = dir.End();
        zipformat::ZipEntry entry;
        while (dir.Next(entry))
            if (!visit(entry)) return 0;
        ok = dir.Error() == 0;
    }
    if (ok) return 0;
    why = dir.ErrorText().empty() ? EngineErrorText(dir.Error())
                                  : platform::Utf8ToWide(dir.ErrorText());
    why += u": " + zip_path_;
    return zmmsg::EngineErrorBase + dir.Error();
}

void TCustomZMZipper::ReadDirectory() {
    ClearDirectory();
    if (zip_path_.empty()) return;
    try {
        size_t count = 0;
        UString why;
        const int32_t error = WalkDirectory(
            [&](const zipformat::ZipEntry& entry) {
                ++count;
                if (OnDirectoryEntry) OnDirectoryEntry(entry);
                return true;
            },
            why, &directory_end_);
        if (error != 0) {
            SetError(error, why);
            return;
        }
        entry_count_ = count;
    } catch (const std::bad_alloc&) {
        SetError(zmmsg::NoMemory, CodeText(zmmsg::NoMemory));
    }
}

void TCustomZMZipper::CheckTerminate() {
    if (OnTick) OnTick(*this);
    if (OnCheckTerminate) {
        bool abort = stop_requested_.load();
        OnCheckTerminate(*this, abort);
        if (abort) stop_requested_ = true;
    }
}

void TCustomZMZipper::Message(int32_t code, const UString& text) {
    if (code != 0) SetError(code, text);
    if (OnMessage) OnMessage(*this, code, TZMText(platform::WideToAnsi(text), text));
    CheckTerminate();
}

void TCustomZMZipper::ReportMessage(int msg_id, const AnsiString& text) {
    (void)msg_id;
    // The loader calls this with its lock held: a handler's exception must not unwind through it.
    try {
        Message(0, platform::AnsiToWide(text));
    } catch (...) {
        if (!handler_exception_) handler_exception_ = std::current_exception();
        stop_requested_ = true;
    }
}

void TCustomZMZipper::ProgressReport() {
    if (OnProgress) OnProgress(*this, progress_);
    CheckTerminate();
}

void TCustomZMZipper::Cancel() {
    stop_requested_ = true;
    const uint32_t handle = running_handle_.load();
    if (handle != 0) EngineLoader().Abort(this, handle);
}

int32_t TCustomZMZipper::Extract() {
    if (busy_) {
        refused_ = true;
        return ErrCode();
    }
    if (!active_) return ErrCode();
    busy_ = true;
    ClearResult();
    stop_requested_ = false;
    handler_exception_ = nullptr;
    try {
        RunExtract();
    } catch (const EZMZipper& e) {
        SetError(e.Code(), platform::AnsiToWide(e.Message()));
    } catch (const std::bad_alloc&) {
        SetError(zmmsg::NoMemory, CodeText(zmmsg::NoMemory));
    } catch (const std::exception& e) {
        SetError(zmmsg::UnknownListError,
                 platform::AnsiToWide(ZMLoadStr(zmmsg::UnknownListError) + e.what()));
    } catch (...) {
        SetError(zmmsg::UnknownListError, TableText(zmmsg::UnknownListError));
    }
    running_handle_ = 0;
    handler_exception_ = nullptr;
    busy_ = false;
    refused_ = false;
    return ErrCode();
}

UString TCustomZMZipper::PreparedBaseDir() {
    UString dir = ExtrBaseDir;
    // Without a destination the files go to the current folder, as with any extractor.
    dir = dir.empty() ? platform::GetCurrentDir() : platform::ExpandFullPath(dir);
    if ((ExtrOptions & ZMExtrOpt(ExtrForceDirs)) != 0 && !platform::DirectoryExists(dir))
        platform::ForceDirectories(dir);
    if (dir.empty() || !platform::DirectoryExists(dir)) {
        // Raised with the folder's exact name: EZMZipper holds 8-bit text only.
        SetError(zmmsg::ExtractDirMissing, FillText(zmmsg::ExtractDirMissing, dir));
        throw EZMZipper(zmmsg::ExtractDirMissing);
    }
    return dir;
}

void TCustomZMZipper::RunExtract() {
    if (zip_path_.empty()) throw EZMZipper(zmmsg::NoZipSpecified);
    if (entry_count_ == 0 || pending_read_) ReadDirectory();
    if (entry_count_ == 0) {
        if (!HasError()) throw EZMZipper(zmmsg::ZipOpenFailed);
        return;
    }
    const TZMExtrOpts o = ExtrOptions;
    const bool test = (o & ZMExtrOpt(ExtrTest)) != 0;
    const UString base = test ? UString() : PreparedBaseDir();

    TZMEngineLoader& loader = EngineLoader();
    if (loader.Load(this) < 1) {
        AnsiString path = loader.RequestedPath();
        throw EZMZipper(zmmsg::LoadFailed, path.empty() ? TZMEngineLoader::EngineFileName() : path);
    }
    UnloadGuard unload(this);
    if (handler_exception_) std::rethrow_exception(handler_exception_);

    // Unattended with nothing to answer a password request with: the engine asks for none.
    int32_t requests = static_cast<int32_t>(password_req_count_);
    if (Unattended && Password.empty() && !OnPasswordError) {
        requests = 0;
        Message(0, TableText(zmmsg::UnattendedWarning));
    }

    uint32_t options = kZEOptAlways;
    if ((o & ZMExtrOpt(ExtrDirNames)) != 0) options |= kZEOptDirNames;
    if ((o & ZMExtrOpt(ExtrOverWrite)) != 0) options |= kZEOptOverwrite;
    if ((o & ZMExtrOpt(ExtrUpdate)) != 0)
        options |= kZEOptUpdate;
    else if ((o & ZMExtrOpt(ExtrFreshen)) != 0)
        options |= kZEOptFreshen;
    options |= test ? kZEOptTest : kZEOptExtract;
    if ((o & ZMExtrOpt(ExtrNTFS)) != 0) options |= kZEOptNTFS;

    // The one conversion of the two paths: the engine reads their UTF-8 forms (the 8-bit ones
    // stay unset, so nothing with '?' for what the code page lacks can reach it).
    const std::string archive_utf8 = platform::WideToUtf8(zip_path_);
    const std::string base_utf8 = platform::WideToUtf8(base);
    std::vector<const char*> includes, excludes;
    for (const auto& s : FSpecArgs) includes.push_back(s.c_str());
    for (const auto& s : FSpecArgsExcl) excludes.push_back(s.c_str());

    ZECommand cmd;
    std::memset(&cmd, 0, sizeof cmd);
    cmd.Caller = this;
    cmd.Version = kZEVersion;
    cmd.FileCallback = &FileRoutine;
    cmd.ProgressCallback = &ProgressRoutine;
    const int v = Verbosity();
    cmd.Verbosity = v <= 0 ? 0 : v == 1 ? 1 : -1;
    cmd.ArchivePathUtf8 = archive_utf8.c_str();
    if (!test) cmd.BaseDirUtf8 = base_utf8.c_str();
    cmd.Password = Password.c_str();
    cmd.Options = options;
    cmd.PasswordReqCount = requests;
    cmd.IncludePatterns = includes.empty() ? nullptr : includes.data();
    cmd.IncludeCount = static_cast<int32_t>(includes.size());
    cmd.ExcludePatterns = excludes.empty() ? nullptr : excludes.data();
    cmd.ExcludeCount = static_cast<int32_t>(excludes.size());
    cmd.Check = kZECommandCheck;

    progress_.Clear();
    uint32_t handle = 0;
    const int32_t result = loader.Exec(this, &cmd, handle);
    running_handle_ = 0;
    // A handler's exception was held while the engine ran; it ends the operation here.
    if (handler_exception_) std::rethrow_exception(handler_exception_);
    TZMEngineLoader::CheckEngineResult(result);
    processed_count_ = result;
}

void TCustomZMZipper::StopForSkip(int32_t error_value, const UString& name) {
    const int32_t n = ZESkipErrorOf(error_value);
    // Without this the stop would read as a cancel (11007), which callers take as no error.
    SetError(n, EngineErrorText(n) + u": " + name);
    stop_requested_ = true;
}

int32_t ZM_STDCALL TCustomZMZipper::FileRoutine(ZECallbackInfo* info) {
    if (info == nullptr || info->Caller == nullptr) return 1;
    return static_cast<TCustomZMZipper*>(info->Caller)->OnFileCallback(*info);
}

int32_t ZM_STDCALL TCustomZMZipper::ProgressRoutine(ZECallbackInfo* info) {
    if (info == nullptr || info->Caller == nullptr) return 1;
    return static_cast<TCustomZMZipper*>(info->Caller)->OnProgressCallback(*info);
}

// Nothing may leave a callback as an exception (the engine is another module): a handler's
// exception is kept, the engine is told to stop, and Extract raises it again afterwards.
int32_t TCustomZMZipper::OnFileCallback(ZECallbackInfo& info) {
    running_handle_ = info.Handle;
    try {
        // The 8-bit name is made from the exact one here, the one place it is.
        const TZMText name = Exact(info.NameUtf8);
        switch (info.Kind) {
            case ZE_CB_OVERWRITE: {
                bool overwrite = info.Answer != 0;
                // Engines whose records end before DirIndex do not say which entry it is.
                const bool indexed =
                    info.Size >= offsetof(ZECallbackInfo, DirIndex) + sizeof info.DirIndex;
                if (OnExtractOverwrite)
                    OnExtractOverwrite(*this, name, info.Code == 1, overwrite,
                                       indexed ? info.DirIndex : -1);
                info.Answer = overwrite ? 1 : 0;
                CheckTerminate();
                break;
            }
            case ZE_CB_CRC_ERROR: {
                bool keep = true;
                if (OnCRC32Error) OnCRC32Error(*this, name, info.FoundCrc, info.ExpectedCrc, keep);
                info.Answer = keep ? 1 : 0;
                CheckTerminate();
                break;
            }
            case ZE_CB_SKIPPED: {
                const int32_t type = info.Code;
                const bool in = type >= 0 && type < 32 && (NoSkipping & (1u << type)) != 0;
                int e = info.Answer;
                if (in && e == 0) e = zmmsg::SkipNotAllowed;
                e = ZESkipValue(e, in);
                if (OnSkipped) OnSkipped(*this, name, static_cast<TZMSkipTypes>(type), e);
                info.Answer = e;
                if (e < 0) StopForSkip(e, name.Exact);
                CheckTerminate();
                break;
            }
            case ZE_CB_MESSAGE: {
                const bool exact =
                    info.Size >= offsetof(ZECallbackInfo, TextUtf8) + sizeof info.TextUtf8;
                Message(info.Code, exact ? platform::Utf8ToWide(Str(info.TextUtf8))
                                         : platform::AnsiToWide(Str(info.Text)));
                break;
            }
            case ZE_CB_PASSWORD: {
                AnsiString given;
                TZMPasswordAction action = TZMPasswordAction::Refuse;
                if (OnPasswordError) OnPasswordError(*this, name, given, action);
                info.Answer = 0;
                if (action == TZMPasswordAction::Try && !given.empty() && info.Buffer != nullptr &&
                    info.BufferSize > 1 && given.size() < static_cast<size_t>(info.BufferSize)) {
                    std::memcpy(info.Buffer, given.c_str(), given.size() + 1);
                    info.Answer = 1;
                } else if (action == TZMPasswordAction::Abort) {
                    SetError(zmmsg::UserAbort, CodeText(zmmsg::UserAbort));
                    stop_requested_ = true;
                }
                CheckTerminate();
                break;
            }
            default:
                break;
        }
    } catch (...) {
        if (!handler_exception_) handler_exception_ = std::current_exception();
        stop_requested_ = true;
    }
    return stop_requested_.load() ? 1 : 0;
}

int32_t TCustomZMZipper::OnProgressCallback(ZECallbackInfo& info) {
    running_handle_ = info.Handle;
    try {
        switch (info.Kind) {
            case ZE_PR_TOTAL_COUNT:
                progress_.SetCount(info.Amount);
                ProgressReport();
                break;
            case ZE_PR_TOTAL_SIZE:
                progress_.SetSize(info.Amount);
                ProgressReport();
                break;
            case ZE_PR_ITEM_START: {
                const TZMText name = Exact(info.NameUtf8);
                progress_.NewItem(name, info.Amount, name.Exact);
                ProgressReport();
                break;
            }
            case ZE_PR_PROGRESS:
                progress_.Advance(info.Amount);
                ProgressReport();
                break;
            case ZE_PR_ITEM_END:
                progress_.EndItem();
                ProgressReport();
                break;
            case ZE_PR_END_OF_BATCH: {
                const bool under_way = progress_.Flag();
                progress_.EndBatch();
                if (under_way && OnProgress) OnProgress(*this, progress_);
                CheckTerminate();
                break;
            }
            default:
                break;
        }
    } catch (...) {
        if (!handler_exception_) handler_exception_ = std::current_exception();
        stop_requested_ = true;
    }
    return stop_requested_.load() ? 1 : 0;
}
