#pragma once
// The contract between the zip engine library ZMEngine190 and the zip component that drives it.
//
// The library exports seven entry points (undecorated names, standard Windows calling convention on
// 32-bit Windows). One operation is one call of ZE_Exec with a command record; during the call the
// engine talks to the component only through the two callback routines named in the record, always
// on the thread that called ZE_Exec. ZE_Abort may be called from any other thread.
//
// Everything here is plain C data so that the component can be built by another compiler than the
// library. The record has a fixed 76-byte layout when pointers are 32 bits wide; on 64-bit builds
// the same fields keep their order and pointer fields widen (that form is never stored or sent).
#include <cstddef>
#include <cstdint>

#include "platform/abi.h"
#include "zm_version.h"

// ---------------------------------------------------------------------------------------------
// Versions and names
// ---------------------------------------------------------------------------------------------

// ZE_Version(): the command-record generation the library understands.
constexpr int32_t kZEVersion = ZM_ENGINE_VERSION;
// ZE_PrivVersion(): the build of the library; loaders accept 1900095 and above.
constexpr int32_t kZEPrivVersion = ZM_ENGINE_BUILD;
// ZECommand::Check must hold this value; a record without it is refused with ZE_ERR_BAD_OPTIONS.
constexpr uint32_t kZECommandCheck = 0x03070505u;
// Capacity the loader passes to ZE_Name (the buffer itself has one byte more).
constexpr int32_t kZENameCapacity = 260;

// ---------------------------------------------------------------------------------------------
// Option bits (ZECommand::Options)
// ---------------------------------------------------------------------------------------------

constexpr uint32_t kZEOptAlways = 0x20;      // set in every record
constexpr uint32_t kZEOptExtract = 0x4;      // extract (write files)
constexpr uint32_t kZEOptTest = 0x8;         // test only: read and check everything, write nothing
constexpr uint32_t kZEOptUpdate = 0x80;      // only entries that are newer than the existing file,
                                             // or whose file does not exist yet
constexpr uint32_t kZEOptFreshen = 0x100;    // only entries whose file exists and is older
constexpr uint32_t kZEOptDirNames = 0x200;   // recreate stored folders; without it, names are
                                             // flattened to their last part
constexpr uint32_t kZEOptOverwrite = 0x400;  // replace existing files without asking
constexpr uint32_t kZEOptNTFS = 0x8000000;   // accepted; the engine always sets modification
                                             // times and the read-only attribute

// ---------------------------------------------------------------------------------------------
// Results of ZE_Exec
// ---------------------------------------------------------------------------------------------
// 0 or more: the number of files extracted (or tested sound with kZEOptTest). Folders, skipped
// entries and declined overwrites are not counted.
// Negative: -n, an engine error. The same n is used as the error value of skip reports and as the
// code of error messages, so one number names one kind of failure everywhere. The component's
// message table holds the text for n as message 11648 + n.
enum ZEError : int32_t {
    ZE_ERR_CANCEL = 1,           // a callback answered "stop" (ZE_Exec returns -1)
    ZE_ERR_ABORT = 2,            // ZE_Abort was called for the operation (ZE_Exec returns -2)
    ZE_ERR_CALLBACK = 3,         // Callback exception
    ZE_ERR_NO_MEMORY = 4,        // No memory
    ZE_ERR_STRUCTURE = 5,        // Invalid structure (a malformed command record)
    ZE_ERR_FATAL = 6,            // Fatal error
    ZE_ERR_PASSWORD_FAILED = 7,  // Password failed!
    ZE_ERR_PASSWORD_CANCEL = 8,  // Password cancelled!
    ZE_ERR_INVALID_ZIP = 9,      // Invalid zip structure!
    ZE_ERR_NO_CENTRAL = 10,      // No Central directory!
    ZE_ERR_UNEXPECTED_END = 11,  // Unexpected end of Zip file!
    ZE_ERR_PREMATURE_END = 12,   // Premature end of file!
    ZE_ERR_OPEN_ZIP = 13,        // Error opening Zip file!
    ZE_ERR_MULTI_PART = 14,      // Multi-part Zips not supported!
    ZE_ERR_NOT_FOUND = 15,       // File not found!
    ZE_ERR_LOGIC = 16,           // Internal logic error!
    ZE_ERR_NOTHING_TO_DO = 17,   // Nothing to do!
    ZE_ERR_BAD_OPTIONS = 18,     // Bad Options specified!
    ZE_ERR_TEMP_FILE = 19,       // Temporary file failure!
    ZE_ERR_NO_PERMISSION = 20,   // File not found or no permission!
    ZE_ERR_READ = 21,            // Error reading file!
    ZE_ERR_CREATE = 22,          // Error creating file!
    ZE_ERR_WRITE = 23,           // Error writing file!
    ZE_ERR_SEEK = 24,            // Error seeking in file!
    ZE_ERR_EMPTY_ZIP = 25,       // Missing or empty zip file!
    ZE_ERR_INVALID_NAME = 26,    // Invalid characters in filename!
    ZE_ERR_GENERAL = 27,         // Error
    ZE_ERR_NOTHING_FOUND = 28,   // Nothing found
    ZE_ERR_WARNING = 29,         // Warning:
    ZE_ERR_DELETE = 30,          // Delete failed
    ZE_ERR_IMPORT = 31,          // Fatal Error - could not import symbol!
    ZE_ERR_SKIPPING = 32,        // Skipping:
    ZE_ERR_LOCKED = 33,          // File locked
    ZE_ERR_ACCESS_DENIED = 34,   // Access denied
    ZE_ERR_DUPLICATE_NAME = 35,  // Duplicate internal name
    ZE_ERR_UNSUPPORTED = 36,     // (no text) a feature the engine does not implement
};
// The errors proper, the range a result -n, a skip's error value and a message's code come from
// (1 and 2 are stops, not errors).
constexpr int32_t kZEFirstError = ZE_ERR_CALLBACK;
constexpr int32_t kZELastError = ZE_ERR_UNSUPPORTED;
constexpr bool IsZEError(int64_t n) { return n >= kZEFirstError && n <= kZELastError; }

// A skip's error value (ZE_CB_SKIPPED's Answer) carries its decision in its sign: n >= 0 goes on,
// -n stops the operation with the error n. These two are the only places the sign is made or read.
constexpr int32_t ZESkipErrorOf(int32_t value) {
    return value >= 0 ? value : value == INT32_MIN ? INT32_MAX : -value;
}
constexpr int32_t ZESkipValue(int32_t error, bool stop) {
    return stop ? -ZESkipErrorOf(error) : ZESkipErrorOf(error);
}

// ---------------------------------------------------------------------------------------------
// Skip types (ZECallbackInfo::Code of a ZE_CB_SKIPPED report), values 0..17
// ---------------------------------------------------------------------------------------------
enum ZESkipType : int32_t {
    ZE_SKIP_ON_FRESHEN = 0,           // freshen: the file does not exist
    ZE_SKIP_NO_OVERWRITE = 1,         // update/freshen: the existing file is not older
    ZE_SKIP_FILE_EXISTS = 2,          // the file exists and the overwrite was declined
    ZE_SKIP_BAD_PASSWORD = 3,         // no password opened the entry
    ZE_SKIP_BAD_NAME = 4,             // the name is unsafe or not representable; nothing written
    ZE_SKIP_COMPRESSION_UNKNOWN = 5,  // a method other than stored (0) or deflated (8)
    ZE_SKIP_UNKNOWN_ZIP_HOST = 6,
    ZE_SKIP_ZIP_FORMAT_WRONG = 7,       // the entry's data does not match its records
    ZE_SKIP_GENERAL_EXTRACT_ERROR = 8,  // writing the file failed
    ZE_SKIP_USER = 9,
    ZE_SKIP_CANNOT_DO = 10,  // an encryption or feature the engine does not support
    ZE_SKIP_NOT_FOUND = 11,
    ZE_SKIP_NO_SHARE = 12,
    ZE_SKIP_NO_ACCESS = 13,  // the system denied access to the destination
    ZE_SKIP_NO_OPEN = 14,    // the destination file or folder could not be created
    ZE_SKIP_DUP_NAME = 15,
    ZE_SKIP_READ_ERROR = 16,  // reading the archive failed
    ZE_SKIP_SIZE_CHANGE = 17,
};

// ---------------------------------------------------------------------------------------------
// Callback protocol
// ---------------------------------------------------------------------------------------------
// Both routines have the same signature and receive the same record; the record is the engine's,
// valid only during the call (copy what must be kept). Every pointer in it may be read during the
// call only.
//
// The routine's return value is the "stop" channel: 0 = go on, any other value = stop the
// operation. A stop is honoured at once: the engine removes the file it was writing (the partial
// new file; an existing file it was to replace is left as it was), reports nothing more but
// ZE_PR_END_OF_BATCH, and ZE_Exec returns -1. The engine never calls a routine again after it has
// been told to stop, except for that one end-of-batch report.
//
// Answers to questions travel in ZECallbackInfo::Answer, which the engine presets with its own
// proposal before the call (so a routine that does nothing accepts the proposal).
//
// Routine 1 (ZECommand::FileCallback): per-file questions and reports, kinds ZE_CB_*.
// Routine 2 (ZECommand::ProgressCallback): progress, kinds ZE_PR_*; the numbers equal the
// component's progress "Order" values so they can be used as they are.
//
// Order of reports in one operation:
//   ZE_PR_TOTAL_COUNT, ZE_PR_TOTAL_SIZE, then per selected file entry:
//   ZE_PR_ITEM_START, [questions / skip / messages], ZE_PR_PROGRESS*, ZE_PR_ITEM_END;
//   finally ZE_PR_END_OF_BATCH (only when at least one item was started).
//   Folder entries are created without item reports; they count neither in the total count nor
//   in the result. Every started item gets its ZE_PR_ITEM_END, also when it was skipped.

enum ZEProgressKind : int32_t {
    ZE_PR_ITEM_START = 0,    // Name/NameUtf8/ItemNumber set; Amount = the item's size (bytes out)
    ZE_PR_PROGRESS = 1,      // Amount = bytes written since the last report of this item (delta)
    ZE_PR_ITEM_END = 2,      // ItemNumber set; Amount = 0
    ZE_PR_END_OF_BATCH = 3,  // Amount = 0
    ZE_PR_TOTAL_COUNT = 4,   // Amount = number of file entries to process
    ZE_PR_TOTAL_SIZE = 5,    // Amount = sum of their sizes (bytes out)
};
// Progress reports of one item are throttled: at most one per 64 KiB and at most one per 1 % of
// the item (whichever step is larger), plus one at the item's end carrying the rest, so that the
// deltas of an item add up to the bytes actually produced. A skipped item may end early.

enum ZECallbackKind : int32_t {
    // A file to be written exists already (never asked with kZEOptOverwrite). Code = 1 when the
    // existing file is older than the entry, else 0. Answer preset 0 (keep). Answer 1: replace it
    // (the old file goes only when the new one is complete); 0: keep it, the engine then sends
    // ZE_CB_SKIPPED with ZE_SKIP_FILE_EXISTS and error value 0.
    ZE_CB_OVERWRITE = 1,
    // The CRC-32 of an entry's data does not match. FoundCrc, ExpectedCrc set. Answer preset 1.
    // Answer 1: keep the file (it is put in place as written); 0: discard it (nothing is left on
    // disk and an existing file of that name stays untouched). A discarded file is not counted.
    // With kZEOptTest the answer is ignored and the entry counts as failed.
    ZE_CB_CRC_ERROR = 2,
    // An entry is skipped. Code = skip type (ZESkipType), Answer preset = the engine error value n
    // (>= 0; 0 when the skip is no error, e.g. ZE_SKIP_FILE_EXISTS). OsError set when a system call
    // failed. Answer >= 0: go on with the next entry. Answer < 0 (ZESkipValue): abort the whole
    // operation; ZE_Exec then returns the answer when its error is one of kZEFirstError ..
    // kZELastError, else -1.
    ZE_CB_SKIPPED = 3,
    // A message. Code = engine error value n (IsZEError) of an error, 0 for information. TextUtf8 =
    // the text, exact (names the file and the reason); Text = the same in the system code page ('?'
    // for what it lacks), for components that read records without TextUtf8. OsError = system
    // error number or 0. Answer is ignored.
    ZE_CB_MESSAGE = 4,
    // The entry needs a password and none known so far opens it. Only sent while the entry has
    // requests left (ZECommand::PasswordReqCount per entry). Buffer/BufferSize: the routine writes
    // the password there (8-bit, system code page, NUL-terminated, at most BufferSize - 1 bytes).
    // Answer preset 0. Answer 1: a password was given, try it; 0: refused (the entry is skipped
    // with ZE_SKIP_BAD_PASSWORD and error value ZE_ERR_PASSWORD_CANCEL).
    ZE_CB_PASSWORD = 5,
};

struct ZECallbackInfo {
    uint32_t Size;         // bytes of this record; later versions only add fields at the end
    uint32_t Handle;       // the operation's handle (as ZECommand::Handle)
    void* Caller;          // ZECommand::Caller, handed back unchanged
    int32_t Kind;          // ZEProgressKind for routine 2, ZECallbackKind for routine 1
    int32_t ItemNumber;    // 1-based number of the current item; 0 outside an item
    int64_t Amount;        // see ZEProgressKind; 0 for routine 1
    const char* Name;      // the item's name as stored, in the system code page ('?' for characters
                           // it lacks); never null ("" when there is none)
    const char* NameUtf8;  // the same name in UTF-8 (exact); never null
    const char* PathUtf8;  // routine 1: the destination path in UTF-8 when there is one, else ""
    const char* Text;      // ZE_CB_MESSAGE: the text; else ""
    int32_t Code;          // see ZECallbackKind
    int32_t Answer;        // in: the engine's proposal; out: the routine's answer
    uint32_t FoundCrc;     // ZE_CB_CRC_ERROR: CRC-32 of the data as read
    uint32_t ExpectedCrc;  // ZE_CB_CRC_ERROR: CRC-32 the archive records
    int32_t OsError;       // system error number behind a skip or message, else 0
    int32_t BufferSize;    // ZE_CB_PASSWORD: capacity of Buffer including the NUL; else 0
    char* Buffer;          // ZE_CB_PASSWORD: where the password goes; else null
    int32_t DirIndex;      // 0-based position of the current item in the archive's central
                           // directory; -1 outside an item (records shorter than this field, of
                           // older engines, have none)
    const char* TextUtf8;  // ZE_CB_MESSAGE: Text in UTF-8 (exact); else "" (records shorter than
                           // this field, of older engines, have only Text)
};

typedef int32_t(ZM_STDCALL* ZECallback)(ZECallbackInfo* info);

// ---------------------------------------------------------------------------------------------
// The command record (allocated zero-filled by the component, one per operation)
// ---------------------------------------------------------------------------------------------
// Strings are NUL-terminated 8-bit texts in the system code page unless named ...Utf8. The engine
// never writes to the record except Handle.
struct ZECommand {
    // 0: filled in by the engine before anything else happens (before the first callback): a
    // non-zero handle that names this operation for ZE_Abort until ZE_Exec returns. It is also in
    // every callback record. A 32-bit aligned store, so another thread may read it.
    uint32_t Handle;
    // 4: the component's operation object, handed back to the callbacks in ZECallbackInfo::Caller.
    void* Caller;
    // 8: kZEVersion (190); another value is refused with ZE_ERR_BAD_OPTIONS.
    int32_t Version;
    // 12, 16: the callback routines; either may be null (reports of its kind are then dropped and
    // questions take the engine's proposal).
    ZECallback FileCallback;
    ZECallback ProgressCallback;
    // 20: verbosity 0, 1 or -1 (the component's 0, 1, 2 and above). 1 and -1 add informational
    // messages (code 0) about what the engine does.
    int32_t Verbosity;
    // 24: path of the archive file; the archive may be preceded by other data (its start is found
    // from the end records). Ignored when ArchivePathUtf8 is set.
    const char* ArchivePath;
    // 28: destination folder; must exist (the component creates it). Not used with kZEOptTest.
    // Ignored when BaseDirUtf8 is set.
    const char* BaseDir;
    // 32: password for encrypted entries; null or "" for none.
    const char* Password;
    // 36: option bits kZEOpt*; kZEOptAlways must be set and exactly one of Extract / Test.
    uint32_t Options;
    // 40: number of password requests (ZE_CB_PASSWORD) allowed per entry; values above 15 count
    // as 15, negative as 0.
    int32_t PasswordReqCount;
    // 44, 48: name patterns of the entries to process ('*' and '?' wildcards, compared without
    // regard to case against the stored name with '/' or '\' as delimiters; "*.*" and "*" match
    // every name). No patterns (null or count 0): every entry.
    const char* const* IncludePatterns;
    int32_t IncludeCount;
    // 52, 56: patterns of entries to leave out, same rules.
    const char* const* ExcludePatterns;
    int32_t ExcludeCount;
    // 60, 64: optional UTF-8 forms of the archive path and destination folder; when set they are
    // used instead of the 8-bit forms, so paths outside the system code page work.
    const char* ArchivePathUtf8;
    const char* BaseDirUtf8;
    // 68: reserved, must be 0.
    uint32_t Reserved;
    // 72: kZECommandCheck (0x03070505).
    uint32_t Check;
};

#if ZM_PTR32
static_assert(sizeof(ZECommand) == 76, "command record is 76 bytes");
static_assert(offsetof(ZECommand, Handle) == 0, "layout");
static_assert(offsetof(ZECommand, Caller) == 4, "layout");
static_assert(offsetof(ZECommand, Version) == 8, "layout");
static_assert(offsetof(ZECommand, FileCallback) == 12, "layout");
static_assert(offsetof(ZECommand, ProgressCallback) == 16, "layout");
static_assert(offsetof(ZECommand, Verbosity) == 20, "layout");
static_assert(offsetof(ZECommand, ArchivePath) == 24, "layout");
static_assert(offsetof(ZECommand, BaseDir) == 28, "layout");
static_assert(offsetof(ZECommand, Password) == 32, "layout");
static_assert(offsetof(ZECommand, Options) == 36, "layout");
static_assert(offsetof(ZECommand, PasswordReqCount) == 40, "layout");
static_assert(offsetof(ZECommand, IncludePatterns) == 44, "layout");
static_assert(offsetof(ZECommand, ExcludePatterns) == 52, "layout");
static_assert(offsetof(ZECommand, ArchivePathUtf8) == 60, "layout");
static_assert(offsetof(ZECommand, Reserved) == 68, "layout");
static_assert(offsetof(ZECommand, Check) == 72, "layout");
#endif

// ---------------------------------------------------------------------------------------------
// Entry points
// ---------------------------------------------------------------------------------------------
// ZE_Exec: runs one operation; see "Results of ZE_Exec". Safe to call from several threads at
//   once with different records.
// ZE_Version: kZEVersion. ZE_PrivVersion: kZEPrivVersion.
// ZE_Abort: asks the operation with this handle to stop at its next buffer (ZE_Exec then returns
//   -2); returns 0 when such an operation was running, -1 otherwise. Any thread.
// ZE_Name: writes the library's name ("ZMEngine190") NUL-terminated into buf, at most
//   capacity - 1 characters; the third argument must be 0. Returns the length written.
// ZE_Banner: a static descriptive text (name, version, build).
// ZE_Path: a static text, the library's file name (the loader does not call it).
typedef int32_t(ZM_STDCALL* ZE_ExecFunc)(ZECommand* command);
typedef int32_t(ZM_STDCALL* ZE_VersionFunc)();
typedef int32_t(ZM_STDCALL* ZE_PrivVersionFunc)();
typedef int32_t(ZM_STDCALL* ZE_AbortFunc)(uint32_t handle);
typedef int32_t(ZM_STDCALL* ZE_NameFunc)(char* buf, int32_t capacity, int32_t zero);
typedef const char*(ZM_STDCALL* ZE_BannerFunc)();
typedef const char*(ZM_STDCALL* ZE_PathFunc)();

// The engine library's own definitions (the component loads them by name and uses the typedefs
// above). Windows exports them through engine/ZMEngine190.def, which keeps the names undecorated.
extern "C" {
int32_t ZM_STDCALL ZE_Exec(ZECommand* command);
int32_t ZM_STDCALL ZE_Version();
int32_t ZM_STDCALL ZE_PrivVersion();
int32_t ZM_STDCALL ZE_Abort(uint32_t handle);
int32_t ZM_STDCALL ZE_Name(char* buf, int32_t capacity, int32_t zero);
const char* ZM_STDCALL ZE_Banner();
const char* ZM_STDCALL ZE_Path();
}
