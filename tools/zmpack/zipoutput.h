#pragma once
// Buffered writing into an open file at a base position, with positions counted from that
// base, and going back to patch what was written before.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/crc32.h"
#include "platform/files.h"
#include "tools/zmpack/zipcrc.h"

namespace zmpack {

class TZipOutput {
  public:
    explicit TZipOutput(platform::FileStream& file);
    bool Write(const void* data, size_t size);
    bool Write(const std::string& s) { return Write(s.data(), s.size()); }
    bool SeekTo(uint64_t position);  // from the base
    bool Flush();
    uint64_t Position() const { return file_pos_ + buffer_.size(); }
    // The furthest position ever written.
    uint64_t HighWater() const { return high_water_; }
    int64_t Base() const { return base_; }
    uint32_t LastError() const { return file_.LastError(); }

  private:
    platform::FileStream& file_;
    int64_t base_;
    uint64_t file_pos_ = 0;
    uint64_t high_water_ = 0;
    std::vector<unsigned char> buffer_;
};

// Keeps the archive's running CRC while writing sequentially.
class TCheckedWriter {
  public:
    explicit TCheckedWriter(TZipOutput& out) : out_(out) {}
    bool Write(const std::string& s) { return Write(s.data(), s.size()); }
    bool Write(const void* data, size_t n) {
        crc_ = Crc32Update(crc_, data, n);
        return out_.Write(data, n);
    }
    void Append(uint32_t crc, uint64_t length) { crc_ = Crc32Combine(crc_, crc, length); }
    uint32_t Crc() const { return crc_; }

  private:
    TZipOutput& out_;
    uint32_t crc_ = 0;
};

struct ZipEntryRecord;
// The central directory of `records` and the end records, after the entries.
bool WriteDirectory(TZipOutput& out, TCheckedWriter& checked,
                    const std::vector<ZipEntryRecord>& records);

}  // namespace zmpack
