#pragma once
// Writes a PKZIP archive into an open stream, deterministically: the same entries give the same
// bytes. Offsets inside the archive count from the stream position where writing began, so the
// archive can sit anywhere in a larger file (a package keeps it as its last block).
//
// Per entry:
//   - name in UTF-8 with general purpose flag bit 11, '/' separators, folders end in '/';
//   - by the chosen method: deflate (raw, chosen level: libdeflate or zlib, see wholedeflate.h),
//     LZMA (method 14, with the end marker) or stored, data that does not shrink being stored;
//     or solid: every file in one of two solid LZMA2 chains (engine/solidformat.h), programs and
//     libraries behind the x86 filter, ordered by kind, extension and name (zipwriter_solid.cpp);
//   - DOS date/time plus the extended timestamp extra field (0x5455) with the modification time;
//   - external attributes in the MS-DOS form (0x01 read-only, 0x10 folder);
//   - Zip64 extra field when a size or the local header offset does not fit 32 bits.
// The end of the archive gets the Zip64 end record and locator when the entry count, the central
// directory's size or its offset do not fit the classic end record.
//
// Files are streamed: memory stays bounded whatever the sizes. Two threads compress while the
// calling thread writes; the output is the same as with one.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace zmpack {

// One entry to store.
struct ZipSource {
    std::string name;  // archive name, UTF-8, '/' separators; folders end with '/'
    UString path;      // the file on disk; empty for folders
    bool is_dir = false;
    bool read_only = false;
    int64_t size = 0;      // the size the file had when it was listed
    int64_t mod_time = 0;  // seconds since 1970-01-01 UTC
};

enum class ZipMethod { Store, Deflate, Lzma, Solid };

struct ZipWriterOptions {
    ZipMethod method = ZipMethod::Deflate;
    int level = 7;            // deflate: 0 stores every entry, 1-12 deflate, 13 the smallest
    bool fixed_time = false;  // every entry gets `time` instead of its own
    int64_t time = 0;
    bool utc_dos_time = false;  // DOS fields in UTC instead of local time
    int threads = 2;            // compressing threads (1 = compress on the writing thread's pace)
    // Solid: the chains' streams are kept in temporary files named from this path until written.
    UString temp_base;
    // Called on the writing thread after each piece of output: bytes of input done, of all.
    std::function<void(uint64_t done, uint64_t total, const std::string& name)> progress;
};

class TZipOutput;

class TZipWriter {
  public:
    explicit TZipWriter(ZipWriterOptions options);

    // Sorts the entries (by name; solid: by kind) and writes the archive at the stream's current
    // position.
    // False, with Error() saying what and on which file, on any failure; the stream then holds
    // partial output.
    bool Write(platform::FileStream& out, std::vector<ZipSource> entries);

    uint64_t ArchiveSize() const { return archive_size_; }
    // CRC-32 of the archive's bytes as they stand in the stream.
    uint32_t ArchiveCrc() const { return archive_crc_; }
    const std::string& Error() const { return error_; }

  private:
    // Records the output's system error as the writer's; false, for the caller to return.
    bool WriteFailed(const TZipOutput& out);
    bool CheckEntries(std::vector<ZipSource>& entries, uint64_t& total_in);
    bool WriteSolid(platform::FileStream& out, std::vector<ZipSource> entries, uint64_t total_in);

    ZipWriterOptions options_;
    uint64_t archive_size_ = 0;
    uint32_t archive_crc_ = 0;
    std::string error_;
};

// What is wrong with an entry name (UTF-8) before it is stored, empty when nothing: the
// installer's rule for entry names (engine::CheckEntryName: no absolute path, "..", empty part,
// device name, forbidden character ...), and the stored form ('/' between parts, no "." part, at
// most 65535 bytes).
std::string EntryNameProblem(const std::string& name);

}  // namespace zmpack
