#pragma once
// A small, independent reader of zip archives for the tests: it parses the end records and the
// central directory by the book, so the writer's output is checked against the format rather
// than against the writer's own code.
#include <cstdint>
#include <string>
#include <vector>

namespace ziptest {

struct ScannedEntry {
    std::string name;
    uint16_t made_by = 0, needed = 0, flags = 0, method = 0, time = 0, date = 0;
    uint32_t crc = 0, external = 0;
    uint64_t compressed = 0, size = 0, offset = 0;
    bool has_zip64 = false, local_zip64 = false;
    bool has_mtime = false;
    int32_t mtime = 0;
    std::string data;  // the entry's stored bytes (compressed form), when asked for
};

struct ScannedArchive {
    std::string error;        // empty when the archive parsed
    uint64_t start = 0;       // position of the archive's first byte in the file
    uint64_t end_record = 0;  // position of the classic end record
    bool zip64_end = false;
    uint64_t count = 0, cd_size = 0, cd_offset = 0;
    std::vector<ScannedEntry> entries;
};

ScannedArchive ScanZip(const std::string& file_bytes, bool with_data = false);
// Inflates raw deflate data; empty string plus ok=false on a damaged stream.
std::string Inflate(const std::string& raw, bool& ok);

}  // namespace ziptest
