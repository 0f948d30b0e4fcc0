#pragma once
// A quick look at the end records of a zip archive: where it starts and how many entries its
// central directory claims. Used to accept an existing archive as a package's payload and to
// describe a package's "zip" block. Every read is bounded by the file.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace zmpack {

struct ZipProbeResult {
    uint64_t start = 0;  // archive start: end record - directory size - directory offset
    uint64_t entries = 0;
    uint64_t cd_offset = 0, cd_size = 0;
    uint64_t end = 0;  // where the archive ends: the file's size, or a signature's table
    bool zip64 = false;
};

// Examines the archive whose end records close the file. False, with a message for a person,
// when no sound end record is found.
bool ProbeZip(const UString& path, ZipProbeResult& result, std::string& error);

// An archive that can be a package's payload as it is: its offsets count from its first byte
// (a local header sits there) and it has at least one entry.
bool CheckPayloadZip(const UString& path, ZipProbeResult& result, std::string& error);

}  // namespace zmpack
