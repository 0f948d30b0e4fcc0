#pragma once
// One extract or test operation: reads the archive's directory, selects entries, and writes each
// selected file below the destination folder through the callback protocol of ZMEngineApi.h.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "engine/finalnames.h"
#include "engine/inflater.h"
#include "engine/reporter.h"
#include "engine/zipformat.h"

namespace engine {

class NameSelection;
class OutputFile;
class SolidReader;
class WriteBehind;

class Extractor {
  public:
    Extractor(const ZECommand& command, Reporter& reporter);
    ~Extractor();
    // ZE_Exec's result: the number of files done, or a negative engine error.
    int32_t Run();

  private:
    enum class Outcome { Done, Skipped, Stop };
    struct Names {
        UString wide;
        std::string ansi, utf8;
    };

    int32_t Fail(int32_t error, const std::string& text, uint32_t os_error = 0);
    bool CheckCommand();
    // The first walk of the directory: entries and bytes to process, and the checks that need
    // the whole archive. 0, or Fail's result.
    int32_t Survey(uint64_t& count, uint64_t& total);
    // The file range of the entry's local header and data; false when it cannot be located.
    bool EntryBytes(const zipformat::ZipEntry& entry, int64_t& start, int64_t& end);
    Names DecodeName(const zipformat::ZipEntry& entry) const;
    void PassSolid(const zipformat::ZipEntry& entry);
    Outcome ExtractEntry(const zipformat::ZipEntry& entry, const Names& names);
    void MakeFolder(const zipformat::ZipEntry& entry, const Names& names);
    bool OpenPassword(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& password);
    // Streams the entry's data through decryption and decompression into out (may be null when
    // testing); fills crc. False with the skip already reported.
    bool CopyData(const zipformat::ZipEntry& entry, const Names& names, int64_t data_pos,
                  const std::string* password, OutputFile* out, uint32_t& crc);
    bool EnsureFolder(const UString& folder);
    // A part of the path below the destination is a short (8.3) alias of an existing file or
    // folder kept under another name.
    bool AliasesAnother(const std::vector<UString>& parts) const;
    int64_t EntryTime(const zipformat::ZipEntry& entry) const;
    Outcome SkipEntry(const Names& names, int32_t skip_type, int32_t error, const std::string& why,
                      uint32_t os_error = 0);

    const ZECommand& command_;
    Reporter& reporter_;
    bool test_ = false;
    bool dir_names_ = false;
    bool overwrite_ = false;
    bool update_ = false;
    bool freshen_ = false;
    int32_t password_requests_ = 0;
    std::string password_;
    std::vector<std::string> known_passwords_;
    UString archive_path_;
    UString base_;  // destination folder with a trailing delimiter
    UString last_folder_;
    FinalNames final_names_;  // of the files to be written
    platform::FileStream archive_file_;
    std::unique_ptr<zipformat::FileSource> source_;
    zipformat::ZipDirectory directory_;
    std::unique_ptr<NameSelection> selection_;
    std::vector<uint8_t> in_buffer_, out_buffer_;
    std::unique_ptr<Inflater> inflater_;
    std::unique_ptr<SolidReader> solid_;
    std::unique_ptr<WriteBehind> writer_;
};

}  // namespace engine
