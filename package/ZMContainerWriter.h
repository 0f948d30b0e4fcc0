#pragma once
// Writes a package: the host image padded to a multiple of 512, the "ZMCF" header (version 1) and
// the block records. Names are always XORed with the block's key byte, data only when asked.
// A block named "zip" is held back and written last, unscrambled, so that the archive's end
// records become the file's last bytes. Large data (a zip may exceed 4 GiB) streams from a file.
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/types.h"

class TZMContainerWriter {
  public:
    TZMContainerWriter() = default;
    ~TZMContainerWriter();
    TZMContainerWriter(const TZMContainerWriter&) = delete;
    TZMContainerWriter& operator=(const TZMContainerWriter&) = delete;

    // Creates (replaces) the output and writes the host image, padding and header.
    bool Begin(const UString& out_path, const std::string& host_image, uint8_t version = 1);
    // Adds a block held in memory. Empty data gives a record without data (readers skip it).
    bool AddBlock(const AnsiString& name, const std::string& data, bool check_crc, bool scrambled,
                  uint8_t kind, uint8_t key);
    // Adds a block whose data is the content of a file, streamed; never scrambled.
    bool AddBlockFromFile(const AnsiString& name, const UString& path, bool check_crc, uint8_t kind,
                          uint8_t key);
    // Writes the held-back "zip" block, if any, and closes the output. On any failure the
    // partial output is removed.
    bool Finish();
    // What went wrong, naming the block or file.
    const std::string& Error() const { return error_; }

    static constexpr const char* kZipBlockName = "zip";

  private:
    struct Pending {
        bool present = false;
        bool from_file = false;
        std::string data;
        UString path;
        bool check_crc = false;
        uint8_t kind = 0;
        uint8_t key = 0;
    };

    bool Fail(const std::string& why);
    bool WriteRecordHead(const AnsiString& name, int64_t data_size, uint32_t crc, uint8_t flags,
                         uint8_t key);
    bool WriteMemoryBlock(const AnsiString& name, const std::string& data, bool check_crc,
                          bool scrambled, uint8_t kind, uint8_t key);
    bool WriteFileBlock(const AnsiString& name, const UString& path, bool check_crc, uint8_t kind,
                        uint8_t key);
    bool CheckName(const AnsiString& name);

    platform::FileStream out_;
    UString out_path_;
    Pending zip_;
    bool begun_ = false;
    bool failed_ = false;
    std::string error_;
};
