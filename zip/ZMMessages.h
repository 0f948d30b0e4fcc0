#pragma once
// The component's message table: texts by message id.
//
// Message-table records (the built-in default table, and resource "ZEResStr19" when a program
// carries more languages) form a chain, each record:
//   2 bytes  language id (Windows LANGID), little-endian
//   2 bytes  packed size p, little-endian
//   2 bytes  name length n, little-endian
//   n bytes  name, 8-bit text ("US", "DE", ...)
//   p bytes  LZ77 stream (zip/ZMExpandLZ77.h)
// A record is considered only when it starts more than 26 bytes before the end of the chain.
// Expanded, a record is a compiled 32-bit .res image whose string-table blocks (block id =
// id / 16 + 1, sixteen length-prefixed UTF-16 strings per block) hold the texts; an expansion must
// stay below 50,000 bytes, and two 0xFF bytes are appended after it.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/types.h"

// Message ids the loader and the component raise or report.
namespace zmmsg {
constexpr int NoZipSpecified = 10102;
constexpr int NoMemory = 10103;
constexpr int NotActive = 10109;
constexpr int Busy = 10112;
constexpr int CriticalDllError = 10124;
constexpr int UnknownError = 10125;
constexpr int UserAbort = 10128;
constexpr int SkipNotAllowed = 10131;
constexpr int UnknownListError = 10202;
constexpr int UnattendedWarning = 10502;
constexpr int ExtractDirMissing = 10504;
constexpr int LoadFailed = 10650;
constexpr int LoadOldOrCorrupt = 10651;
constexpr int Loaded = 10652;
constexpr int Unloaded = 10653;
constexpr int LoadErrorDetail = 10654;
constexpr int ZipOpenFailed = 11002;
constexpr int Cancelled = 11007;
constexpr int TempFileFailed = 11027;
constexpr int StepNameBase = 11400;     // + step number: the name of an auxiliary step
constexpr int EngineErrorBase = 11648;  // + n: engine result -n, n = 3..36
}  // namespace zmmsg

// One record of a chain, as found (the stream is not looked at).
struct TZMMessageRecord {
    uint16_t LangId = 0;
    AnsiString Name;
    size_t StreamOffset = 0;  // from the start of the chain
    size_t PackedSize = 0;    // as the record says; the stream may be cut short by the chain's end
};

// The records of a chain in order, under the 26-byte end rule; a header or name that runs past
// the end ends the chain.
std::vector<TZMMessageRecord> ZMListMessageRecords(const unsigned char* data, size_t size);

class TZMMessageTable {
  public:
    // A table with no texts; LoadDefault or LoadFromChain fill it.
    TZMMessageTable() = default;

    // The built-in table (record "US", language 0x0409).
    bool LoadDefault();
    // Chooses a record of the chain by language id (equal ids; or, when lang_id has only a primary
    // part (below 1024), equal low 10 bits) or by name (letters compared without regard to case),
    // and expands it. False, and the table left as it was, when no record fits or it does not
    // expand. An empty name matches no record; lang_id 0 matches no id.
    bool LoadFromChain(const unsigned char* data, size_t size, uint16_t lang_id,
                       const AnsiString& name);

    // The text for an id in the system's 8-bit code page; empty when the table has none.
    AnsiString Text(int id) const;
    // The same as UTF-16, as stored.
    UString WideText(int id, bool& found) const;

    uint16_t LanguageId() const { return lang_id_; }
    const AnsiString& Name() const { return name_; }
    bool IsEmpty() const { return res_.empty(); }

  private:
    std::string res_;  // expanded .res image followed by 0xFF 0xFF
    uint16_t lang_id_ = 0;
    AnsiString name_;
};

// The process-wide table, the built-in one unless a language was chosen.
// The text for an id; empty when the table lacks it (callers then fall back to message 10125).
AnsiString ZMLoadStr(int id);
// The component's public message lookup: for an id the table lacks, "Resource missing for <id>"
// (the wizard recognises the first 16 characters).
AnsiString ZMMessageText(int id);
// Selects the table of the program's "ZEResStr19" resource by language id or name; an empty name
// and id 0 (or no fitting record) go back to the built-in table. True when a record was taken.
bool ZMSetMessageLanguage(uint16_t lang_id, const AnsiString& name);

// Fills a table text: each %s or %d takes the next argument as it stands, %% is a percent sign;
// a missing argument becomes empty text, other % sequences are kept.
AnsiString ZMFormat(const AnsiString& format, std::initializer_list<AnsiString> args);
