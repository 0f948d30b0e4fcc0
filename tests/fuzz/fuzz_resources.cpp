// A program's resource section as zmpack reads and rewrites it when branding: the input is the
// section's bytes, put into a small program image between its code and its relocations. Whatever
// the directory holds, reading stays inside it; what is read writes back to a section that reads
// the same and writes the same bytes again; a version record does likewise; and the image with
// the section written anew parses, with the relocations moved whole.
#include <cstdlib>
#include <string>

#include "tests/fuzz/fuzz_common.h"
#include "tools/zmpack/iconfile.h"
#include "tools/zmpack/peimage.h"
#include "tools/zmpack/resourcetree.h"
#include "tools/zmpack/versionrecord.h"

namespace {

constexpr uint32_t kResourceRva = 0x2000;

void Check(bool ok) {
    if (!ok) std::abort();
}

void Put(std::string& d, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) d[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

uint32_t Up(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

// Headers, .text at 0x1000, .rsrc at 0x2000 holding `section`, .reloc after it.
std::string Program(const std::string& section, const std::string& relocs) {
    std::string d(0x400, '\0');
    d[0] = 'M', d[1] = 'Z';
    Put(d, 0x3C, 0x40, 4);
    d.replace(0x40, 4, std::string("PE\0\0", 4));
    Put(d, 0x44, 0x14C, 2), Put(d, 0x46, 3, 2), Put(d, 0x54, 224, 2), Put(d, 0x56, 0x0102, 2);
    const size_t o = 0x58;
    Put(d, o, 0x10B, 2), Put(d, o + 32, 0x1000, 4), Put(d, o + 36, 0x200, 4),
        Put(d, o + 60, 0x400, 4), Put(d, o + 92, 16, 4);
    const uint32_t rsrc_raw = Up(static_cast<uint32_t>(section.size()), 0x200);
    const uint32_t reloc_rva = kResourceRva + Up(static_cast<uint32_t>(section.size()), 0x1000);
    Put(d, o + 96 + 16, kResourceRva, 4),
        Put(d, o + 96 + 20, static_cast<uint32_t>(section.size()), 4);
    Put(d, o + 96 + 40, reloc_rva, 4), Put(d, o + 96 + 44, static_cast<uint32_t>(relocs.size()), 4);
    Put(d, o + 56, reloc_rva + 0x1000, 4);
    const struct {
        const char* name;
        uint32_t vsize, rva, raw, offset;
    } sections[] = {
        {".text", 1, 0x1000, 0x200, 0x400},
        {".rsrc", static_cast<uint32_t>(section.size()), kResourceRva, rsrc_raw, 0x600},
        {".reloc", static_cast<uint32_t>(relocs.size()), reloc_rva, 0x200, 0x600 + rsrc_raw}};
    for (int i = 0; i < 3; ++i) {
        const size_t s = o + 224 + 40 * i;
        d.replace(s, std::string(sections[i].name).size(), sections[i].name);
        Put(d, s + 8, sections[i].vsize, 4), Put(d, s + 12, sections[i].rva, 4);
        Put(d, s + 16, sections[i].raw, 4), Put(d, s + 20, sections[i].offset, 4);
    }
    d += std::string(0x200, '\xC3');
    d += section + std::string(rsrc_raw - section.size(), '\0');
    d += relocs + std::string(0x200 - relocs.size(), '\0');
    return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > zmfuzz::kSmallCap) return 0;
    const std::string section(reinterpret_cast<const char*>(data), size);
    std::string error;
    std::vector<zmpack::IconImage> icons;
    zmpack::ParseIconFile(section, icons, error);
    zmpack::ResourceTree tree;
    if (!tree.Read(section, kResourceRva, error)) return 0;
    for (const zmpack::Resource& r : tree.Entries()) {
        zmpack::IconGroupIds(r.data);
        zmpack::VersionRecord v, again;
        if (r.type == zmpack::ResourceId::Number(zmpack::rt::kVersion) && v.Read(r.data, error)) {
            const std::string written = v.Write();
            Check(again.Read(written, error) && again.Write() == written);
        }
    }
    const std::string written = tree.Write(kResourceRva);
    zmpack::ResourceTree reread;
    Check(reread.Read(written, kResourceRva, error));
    Check(reread.Write(kResourceRva) == written);

    const std::string relocs = "\x00\x10\x00\x00\x0C\x00\x00\x00\x04\x30\x00\x00";
    zmpack::PeImage pe;
    Check(pe.Parse(Program(section, relocs), error));
    std::string image;
    if (!pe.WithResources(written, image, error)) return 0;
    zmpack::PeImage out;
    Check(out.Parse(image, error));
    std::string back;
    uint32_t rva = 0;
    Check(out.ResourceSection(back, rva, error) && rva == kResourceRva);
    Check(back.compare(0, written.size(), written) == 0);
    const zmpack::PeSection& moved = out.Sections().back();
    Check(out.DirectoryRva(zmpack::PeImage::kRelocationDirectory) == moved.rva);
    Check(image.compare(moved.raw_offset, relocs.size(), relocs) == 0);
    Check(zmpack::PeChecksum(image, out.ChecksumOffset()) == out.Checksum());
    return 0;
}
