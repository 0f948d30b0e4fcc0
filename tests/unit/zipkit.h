#pragma once
// A small in-memory zip writer for tests: stored or deflated entries, data descriptors, Zip64
// fields, traditional encryption, the UTF-8 flag, arbitrary names and deliberately wrong values
// for hostile cases, and bytes in front of the archive.
#include <cstdint>
#include <string>
#include <vector>

namespace zipkit {

struct Entry {
    std::string name;            // stored bytes, used as given
    std::string data;            // the plain content
    uint16_t method = 8;         // 0 stored, 8 deflated; any other value stores the bytes as
                                 // they are under that method number
    bool utf8 = false;           // general purpose bit 11
    bool descriptor = false;     // bit 3 and a data descriptor after the data
    bool zip64 = false;          // Zip64 extra fields for sizes and offset
    std::string password;        // traditional encryption when not empty
    uint16_t dos_time = 0x6000;  // 12:00:00
    uint16_t dos_date = 0x5A21;  // 2025-01-01
    bool has_mtime = false;      // extended timestamp field with mtime
    uint32_t mtime = 0;
    uint8_t host = 0;  // 0 DOS, 3 Unix
    uint32_t external_attr = 0;
    // Hostile overrides: values written instead of the true ones (central directory and local
    // header alike) when set.
    bool set_crc = false;
    uint32_t crc = 0;
    bool set_size = false;
    uint64_t size = 0;
    bool set_local_offset = false;
    uint64_t local_offset = 0;
    std::string local_name;  // a different name in the local header when not empty
    std::string extra;       // further extra fields (id, length, data), in both headers
};

class ZipBuilder {
  public:
    ZipBuilder& Add(const Entry& e);
    ZipBuilder& AddFile(const std::string& name, const std::string& data, uint16_t method = 8);
    ZipBuilder& AddFolder(const std::string& name);

    bool zip64_end = false;  // write Zip64 end record and locator
    std::string comment;
    bool set_count = false;  // hostile: a recorded entry count instead of the true one
    uint64_t count = 0;

    // The archive with `prefix` in front of it (the archive's offsets count from its own start).
    std::string Build(const std::string& prefix = std::string()) const;

  private:
    std::vector<Entry> entries_;
};

std::string Deflate(const std::string& data);
// Deterministic incompressible bytes.
std::string RandomBytes(size_t n, uint32_t seed);

}  // namespace zipkit
