#pragma once
// The archive's directory: end records, central directory entries and local headers, read with
// every offset, size and count checked against the bytes that exist. The one reader of the
// directory; the engine, the zip component and zmpack all list archives through it.
//
// Layouts (little-endian):
//   end record "PK\5\6" (22 bytes + comment): disk, cd disk, entries on disk, entries, cd size,
//     cd offset, comment length; it must end exactly at the end of the source.
//   Zip64 locator "PK\6\7" (20 bytes, right before the end record): disk, end record offset, disks.
//   Zip64 end record "PK\6\6" (56 bytes + data): size, made by, needed, disk, cd disk, entries on
//     disk, entries, cd size, cd offset.
//   central entry "PK\1\2" (46 bytes + name + extra + comment).
//   local header "PK\3\4" (30 bytes + name + extra), then the data.
// Offsets recorded in the archive count from its first byte; the archive may sit behind other
// data, so its start in the file is: end record position - cd size - recorded cd offset.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/files.h"

namespace zipformat {

// Random-access source of the bytes that hold an archive.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual int64_t Size() const = 0;
    // Reads exactly n bytes at offset; false when any of them is outside the source or unreadable.
    virtual bool ReadAt(int64_t offset, void* buffer, size_t n) = 0;
};

// A file opened by the caller (borrowed), as the holder of an archive: in a signed program the
// certificate table and its padding are not the archive's (signedimage.h), and Size() ends
// before them. `whole_file` keeps every byte, for the readers of the signature itself.
class FileSource : public ByteSource {
  public:
    explicit FileSource(platform::FileStream& file, bool whole_file = false);
    int64_t Size() const override { return size_; }
    bool ReadAt(int64_t offset, void* buffer, size_t n) override;

  private:
    platform::FileStream& file_;
    int64_t size_;
    int64_t position_ = -1;
    // Read-ahead: an archive of small entries is read as headers and data of a few hundred bytes
    // each, which would otherwise cost a seek and a read per header and per entry.
    std::vector<uint8_t> ahead_;
    int64_t ahead_start_ = 0;
    size_t ahead_len_ = 0;
};

// Bytes in memory (borrowed).
class MemorySource : public ByteSource {
  public:
    MemorySource(const void* data, size_t size)
        : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    int64_t Size() const override { return static_cast<int64_t>(size_); }
    bool ReadAt(int64_t offset, void* buffer, size_t n) override;

  private:
    const uint8_t* data_;
    size_t size_;
};

struct ZipEnd {
    int64_t end_record_pos = 0;  // absolute position of the end record "PK\5\6"
    int64_t archive_start = 0;   // absolute position of the archive's first byte
    int64_t archive_end = 0;     // just past the end record's comment: where the source ends
    int64_t cd_start = 0;        // absolute position of the central directory
    uint64_t cd_size = 0;
    uint64_t entry_count = 0;
    bool zip64 = false;
    std::string comment;
};

struct ZipEntry {
    std::string name;        // name bytes as stored
    std::string utf8_name;   // the name in UTF-8: as stored with the UTF-8 flag, from the Unicode
                             // path extra field when it matches, else empty (name is OEM)
    bool utf8_flag = false;  // general purpose bit 11
    uint16_t made_by = 0;    // host system in the high byte
    uint16_t needed = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dos_time = 0;
    uint16_t dos_date = 0;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t size = 0;
    uint64_t local_offset = 0;  // relative to the archive's start
    uint32_t external_attr = 0;
    uint16_t internal_attr = 0;
    bool has_mtime = false;  // extended timestamp 0x5455 present
    int64_t mtime = 0;       // its modification time, seconds since 1970 UTC
    std::string comment;
    uint64_t index = 0;  // 0-based position in the central directory
    std::string solid;   // data of the solid chain member field (engine/solidformat.h), if any

    uint8_t Host() const { return static_cast<uint8_t>(made_by >> 8); }
    bool Encrypted() const { return (flags & 1) != 0; }
    bool HasDataDescriptor() const { return (flags & 8) != 0; }
    bool IsDirectory() const;
    // The name as the engine writes it and every listing shows it: UTF-8 where the entry carries
    // it, else decoded from the OEM code page.
    UString DecodedName() const;
    bool IsSymlink() const;  // Unix host with S_IFLNK in the external attributes
    bool ReadOnly() const;   // DOS attribute bit 0, or a Unix mode without any write bit
};

class ZipDirectory {
  public:
    // Finds and checks the end records. False with Error() set (an engine error number:
    // 10 no end record, 14 several disks, 9 inconsistent records, 11 a record cut short,
    // 21 a read failed).
    bool Open(ByteSource* source);
    int Error() const { return error_; }
    const std::string& ErrorText() const { return error_text_; }
    const ZipEnd& End() const { return end_; }

    // A central directory up to this size is read once and kept for every later walk.
    static constexpr uint64_t kWholeDirectory = 16u << 20;

    // Central directory iteration: Next gives the entries in stored order. It returns false at
    // the end (Error() 0) or on a malformed entry (Error() set); the count read never exceeds the
    // recorded count, and an end before the recorded count is an error.
    void Rewind();
    bool Next(ZipEntry& entry);

    // Checks the entry's local header and gives the absolute position of its data; the data range
    // is checked to lie before the central directory. The local header must agree with the
    // directory on the method, the encryption, data descriptor and UTF-8 flags, the name (byte for
    // byte) and, unless a data descriptor follows the data, the CRC and both sizes. Returns 0, or
    // an engine error number with the reason in why; a bad entry does not disturb the walk of the
    // directory.
    int LocateData(const ZipEntry& entry, int64_t& data_pos, std::string& why);

  private:
    bool Fail(int error, const std::string& text);
    bool Fill(size_t need);
    bool FindEndRecord();
    bool ReadZip64(int64_t locator_pos, int64_t& record_pos, uint64_t& cd_offset);

    ByteSource* source_ = nullptr;
    bool opened_ = false;
    ZipEnd end_;
    int error_ = 0;
    std::string error_text_;
    // Central directory reading state.
    std::vector<uint8_t> buffer_;
    size_t buf_pos_ = 0;
    size_t buf_len_ = 0;
    int64_t next_read_ = 0;  // absolute position of the next byte to load into buffer_
    uint64_t read_count_ = 0;
    bool whole_ = false;          // buffer_ holds the whole central directory from its first byte
    std::vector<uint8_t> local_;  // the local header's name and extra field being checked
};

// DOS date and time (local time) as calendar fields.
struct DosTime {
    int year, month, day, hour, minute, second;
};
DosTime DecodeDosTime(uint16_t date, uint16_t time);

}  // namespace zipformat
