#pragma once
// A Windows program image (PE32 or PE32+) as zmpack rewrites it: its headers and section table
// read with every field bounded by the file, and its resource section replaced. Sections after
// the resources may only be the base relocations, which nothing but their directory entry
// addresses; they move behind the grown or shrunk resources, and every header field that
// describes the layout (section table, data directories, image size, initialized data size,
// checksum) follows.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zmpack {

struct PeSection {
    std::string name;
    uint32_t virtual_size = 0;
    uint32_t rva = 0;
    uint32_t raw_size = 0;
    uint32_t raw_offset = 0;
    uint32_t characteristics = 0;
};

class PeImage {
  public:
    // False, with a message for a person, when `bytes` is no program image zmpack can rewrite.
    bool Parse(const std::string& bytes, std::string& error);

    bool Is64() const { return is64_; }
    uint16_t Machine() const { return machine_; }
    const std::vector<PeSection>& Sections() const { return sections_; }
    // Where the last section's data ends: the image without whatever follows it.
    uint32_t ImageEnd() const { return image_end_; }
    // A data directory's address and size (0, 0 when absent).
    uint32_t DirectoryRva(int index) const;
    uint32_t DirectorySize(int index) const;
    bool IsSigned() const { return DirectorySize(kSecurityDirectory) != 0; }
    uint32_t Checksum() const;
    size_t ChecksumOffset() const { return optional_ + 64; }

    // The resource section's bytes, and its address.
    bool ResourceSection(std::string& bytes, uint32_t& rva, std::string& error) const;
    // The image (up to ImageEnd) with the resource section replaced by `section`, written for
    // the resource section's address; false, with error, when the layout does not allow it.
    bool WithResources(const std::string& section, std::string& out, std::string& error) const;

    static constexpr int kResourceDirectory = 2;
    static constexpr int kSecurityDirectory = 4;
    static constexpr int kRelocationDirectory = 5;

  private:
    int ResourceIndex() const;

    std::string bytes_;
    bool is64_ = false;
    uint16_t machine_ = 0;
    size_t optional_ = 0;     // offset of the optional header
    size_t directories_ = 0;  // offset of the data directories
    uint32_t directory_count_ = 0;
    size_t section_table_ = 0;
    uint32_t section_align_ = 0;
    uint32_t file_align_ = 0;
    uint32_t image_end_ = 0;
    std::vector<PeSection> sections_;
};

// The checksum of a program file: 16-bit sums of the whole file with the checksum field taken as
// zero, folded, plus the file's length.
uint32_t PeChecksum(const std::string& file, size_t checksum_offset);
// Sets the checksum field of the file at path to the file's checksum: a branded package's, once
// its container is written, covers the whole file, as signing tools compute it.
bool StampFileChecksum(const UString& path, size_t checksum_offset, std::string& error);

}  // namespace zmpack
