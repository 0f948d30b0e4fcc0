#include "tools/zmpack/peimage.h"

#include <algorithm>

#include "common/littleendian.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace zmpack {
namespace {

constexpr size_t kSectionHeaderSize = 40;
constexpr uint32_t kMaxSections = 96;

const uint8_t* At(const std::string& s, size_t offset) {
    return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

void Put32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

bool PowerOfTwo(uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }

}  // namespace

bool PeImage::Parse(const std::string& bytes, std::string& error) {
    *this = PeImage();
    const size_t size = bytes.size();
    if (size < 0x40 || bytes.compare(0, 2, "MZ") != 0) {
        error = "not a Windows program (no MZ header)";
        return false;
    }
    const size_t pe = le::Get32(At(bytes, 0x3C));
    if (pe > size || size - pe < 24 || bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0) {
        error = "not a Windows program (no PE header)";
        return false;
    }
    machine_ = le::Get16(At(bytes, pe + 4));
    const uint32_t count = le::Get16(At(bytes, pe + 6));
    const uint32_t symbols = le::Get32(At(bytes, pe + 12));
    const size_t optional_size = le::Get16(At(bytes, pe + 20));
    optional_ = pe + 24;
    if (optional_size > size - optional_ || optional_size < 96) {
        error = "the program's optional header is cut short";
        return false;
    }
    const uint16_t magic = le::Get16(At(bytes, optional_));
    if (magic != 0x10B && magic != 0x20B) {
        error = "the program's optional header is neither PE32 nor PE32+";
        return false;
    }
    is64_ = magic == 0x20B;
    const size_t dir_rel = is64_ ? 112 : 96;
    directories_ = optional_ + dir_rel;
    if (optional_size < dir_rel) {
        error = "the program's optional header is cut short";
        return false;
    }
    directory_count_ = std::min<uint32_t>(le::Get32(At(bytes, directories_ - 4)), 16);
    if (dir_rel + 8 * size_t{directory_count_} > optional_size) {
        error = "the program's data directories are cut short";
        return false;
    }
    section_align_ = le::Get32(At(bytes, optional_ + 32));
    file_align_ = le::Get32(At(bytes, optional_ + 36));
    if (!PowerOfTwo(file_align_) || file_align_ < 512 || file_align_ > 65536 ||
        !PowerOfTwo(section_align_) || section_align_ < file_align_) {
        error = "the program's section and file alignments are not ones Windows loads";
        return false;
    }
    if (symbols != 0) {
        error = "the program carries a symbol table; strip it first";
        return false;
    }
    section_table_ = optional_ + optional_size;
    if (count == 0 || count > kMaxSections || count * kSectionHeaderSize > size - section_table_) {
        error = "the program's section table is cut short";
        return false;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* h = At(bytes, section_table_ + i * kSectionHeaderSize);
        PeSection s;
        s.name.assign(reinterpret_cast<const char*>(h), 8);
        s.name.resize(s.name.find('\0') == std::string::npos ? 8 : s.name.find('\0'));
        s.virtual_size = le::Get32(h + 8);
        s.rva = le::Get32(h + 12);
        s.raw_size = le::Get32(h + 16);
        s.raw_offset = le::Get32(h + 20);
        s.characteristics = le::Get32(h + 36);
        if (s.raw_size != 0 && (s.raw_offset > size || size - s.raw_offset < s.raw_size)) {
            error = "the program's section " + s.name + " lies outside the file";
            return false;
        }
        if (!sections_.empty() && s.rva <= sections_.back().rva) {
            error = "the program's sections are not in address order";
            return false;
        }
        if (s.raw_size != 0) image_end_ = std::max(image_end_, s.raw_offset + s.raw_size);
        sections_.push_back(std::move(s));
    }
    bytes_ = bytes.substr(0, image_end_);
    return true;
}

uint32_t PeImage::DirectoryRva(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= directory_count_) return 0;
    return le::Get32(At(bytes_, directories_ + 8 * index));
}

uint32_t PeImage::DirectorySize(int index) const {
    if (index < 0 || static_cast<uint32_t>(index) >= directory_count_) return 0;
    return le::Get32(At(bytes_, directories_ + 8 * index + 4));
}

uint32_t PeImage::Checksum() const { return le::Get32(At(bytes_, ChecksumOffset())); }

int PeImage::ResourceIndex() const {
    const uint32_t rva = DirectoryRva(kResourceDirectory);
    for (size_t i = 0; i < sections_.size(); ++i)
        if (rva != 0 && sections_[i].rva == rva) return static_cast<int>(i);
    return -1;
}

bool PeImage::ResourceSection(std::string& bytes, uint32_t& rva, std::string& error) const {
    const int i = ResourceIndex();
    if (i < 0) {
        error = "the program has no resource section of its own";
        return false;
    }
    const PeSection& s = sections_[i];
    // The part of the section the file holds; the rest of its extent reads as zeros.
    bytes = bytes_.substr(s.raw_offset, std::min(s.raw_size, std::max(s.virtual_size, 1u)));
    rva = s.rva;
    return true;
}

bool PeImage::WithResources(const std::string& section, std::string& out,
                            std::string& error) const {
    const int index = ResourceIndex();
    if (index < 0) {
        error = "the program has no resource section of its own";
        return false;
    }
    const size_t r = static_cast<size_t>(index);
    const PeSection& res = sections_[r];
    // What follows the resources moves; only the base relocations may, as nothing but their
    // directory entry points at them.
    for (size_t i = r + 1; i < sections_.size(); ++i) {
        const PeSection& s = sections_[i];
        const uint32_t end = s.rva + AlignUp(std::max(s.virtual_size, s.raw_size), section_align_);
        for (int d = 0; d < static_cast<int>(directory_count_); ++d) {
            const uint32_t at = DirectoryRva(d);
            if (d != kRelocationDirectory && d != kSecurityDirectory && at >= s.rva && at < end) {
                error =
                    "the program's section " + s.name + " follows its resources and cannot move";
                return false;
            }
        }
        if (s.name != ".reloc" || s.raw_size == 0 ||
            s.raw_offset !=
                AlignUp(sections_[i - 1].raw_offset + sections_[i - 1].raw_size, file_align_)) {
            error = "the program's section " + s.name + " follows its resources and cannot move";
            return false;
        }
    }
    if (section.size() > 0x7FFFFFFF) {
        error = "the resources are too large";
        return false;
    }
    const uint32_t new_virtual = static_cast<uint32_t>(section.size());
    const uint32_t new_raw = AlignUp(new_virtual, file_align_);
    const uint32_t old_next_rva =
        r + 1 < sections_.size()
            ? sections_[r + 1].rva
            : res.rva + AlignUp(std::max(res.virtual_size, res.raw_size), section_align_);
    const uint32_t new_next_rva = res.rva + AlignUp(new_virtual, section_align_);
    const int64_t delta_rva = int64_t{new_next_rva} - old_next_rva;
    const int64_t delta_raw = int64_t{new_raw} - res.raw_size;

    // The resources where they were, each moved section after them on the file alignment.
    out = bytes_.substr(0, res.raw_offset);
    out += section;
    out.resize(res.raw_offset + size_t{new_raw}, '\0');
    std::vector<uint32_t> moved_offset(sections_.size(), 0);
    for (size_t i = r + 1; i < sections_.size(); ++i) {
        out.resize(AlignUp(static_cast<uint32_t>(out.size()), file_align_), '\0');
        moved_offset[i] = static_cast<uint32_t>(out.size());
        out += bytes_.substr(sections_[i].raw_offset, sections_[i].raw_size);
    }

    // The section table.
    uint32_t last_end = 0;
    for (size_t i = 0; i < sections_.size(); ++i) {
        PeSection s = sections_[i];
        if (i == r) {
            s.virtual_size = new_virtual;
            s.raw_size = new_raw;
        } else if (i > r) {
            s.rva = static_cast<uint32_t>(s.rva + delta_rva);
            s.raw_offset = moved_offset[i];
        }
        const size_t h = section_table_ + i * kSectionHeaderSize;
        Put32(out, h + 8, s.virtual_size);
        Put32(out, h + 12, s.rva);
        Put32(out, h + 16, s.raw_size);
        Put32(out, h + 20, s.raw_offset);
        last_end =
            s.rva + AlignUp(s.virtual_size != 0 ? s.virtual_size : s.raw_size, section_align_);
    }
    // The directories that pointed into moved sections, and the resources' own.
    for (int d = 0; d < static_cast<int>(directory_count_); ++d) {
        const uint32_t at = DirectoryRva(d);
        if (d != kSecurityDirectory && at >= old_next_rva)
            Put32(out, directories_ + 8 * d, static_cast<uint32_t>(at + delta_rva));
    }
    Put32(out, directories_ + 8 * kResourceDirectory + 4, new_virtual);
    Put32(out, optional_ + 56, last_end);  // SizeOfImage
    const uint32_t initialized = le::Get32(At(bytes_, optional_ + 8));
    Put32(out, optional_ + 8, static_cast<uint32_t>(initialized + delta_raw));
    Put32(out, ChecksumOffset(), PeChecksum(out, ChecksumOffset()));
    return true;
}

namespace {

// The sum over pieces of even length given in file order.
class ChecksumSum {
  public:
    explicit ChecksumSum(size_t checksum_offset) : field_(checksum_offset) {}
    void Add(const char* data, size_t n) {
        for (size_t i = 0; i < n; i += 2) {
            sum_ += Byte(data, n, i) | (Byte(data, n, i + 1) << 8);
            sum_ = (sum_ & 0xFFFF) + (sum_ >> 16);
        }
        at_ += n;
        length_ += n;
    }
    uint32_t Result() const {
        return static_cast<uint32_t>(((sum_ & 0xFFFF) + (sum_ >> 16)) + length_);
    }

  private:
    uint32_t Byte(const char* data, size_t n, size_t i) const {
        const uint64_t pos = at_ + i;
        const bool in_field = pos >= field_ && pos - field_ < 4;
        return i < n && !in_field ? static_cast<uint8_t>(data[i]) : 0u;
    }
    uint64_t field_;
    uint64_t at_ = 0;
    uint64_t sum_ = 0;
    uint64_t length_ = 0;
};

}  // namespace

uint32_t PeChecksum(const std::string& file, size_t checksum_offset) {
    ChecksumSum sum(checksum_offset);
    sum.Add(file.data(), file.size());
    return sum.Result();
}

bool StampFileChecksum(const UString& path, size_t checksum_offset, std::string& error) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadWrite)) {
        error = "cannot open " + platform::WideToUtf8(path) + " to set its checksum";
        return false;
    }
    ChecksumSum sum(checksum_offset);
    // Whole buffers of even length, so no word straddles two pieces.
    std::vector<char> buf(1 << 20);
    for (;;) {
        size_t n = 0;
        while (n < buf.size()) {
            const size_t got = f.Read(buf.data() + n, buf.size() - n);
            if (got == 0) break;
            n += got;
        }
        if (n == 0) break;
        sum.Add(buf.data(), n);
        if (n < buf.size()) break;
    }
    char value[4];
    const uint32_t v = sum.Result();
    for (int i = 0; i < 4; ++i) value[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    if (!f.Seek(static_cast<int64_t>(checksum_offset)) || !f.Write(value, 4) || !f.Close()) {
        error = "cannot set the checksum of " + platform::WideToUtf8(path);
        return false;
    }
    return true;
}

}  // namespace zmpack
