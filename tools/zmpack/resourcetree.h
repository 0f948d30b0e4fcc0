#pragma once
// The resources of a program image (its resource section): read into a flat list of entries and
// written back as a section of its own. The section is a three-level directory (type, name,
// language) of tables, each table's named entries first, sorted by name, then its numbered ones
// in ascending order, as the system's lookup expects; its leaves point at the data by address
// (RVA), so the written section depends on where it will sit in the image.
#include <cstdint>
#include <string>
#include <vector>

namespace zmpack {

// A type or a name: a number, or (when `text` is not empty) a string.
struct ResourceId {
    uint16_t number = 0;
    std::u16string text;

    static ResourceId Number(uint16_t n) { return ResourceId{n, {}}; }
    static ResourceId Text(std::u16string t) { return ResourceId{0, std::move(t)}; }
    bool IsText() const { return !text.empty(); }
    bool operator==(const ResourceId& o) const { return number == o.number && text == o.text; }
};

namespace rt {
constexpr uint16_t kBitmap = 2, kIcon = 3, kRcData = 10, kGroupIcon = 14, kVersion = 16;
}  // namespace rt

struct Resource {
    ResourceId type;
    ResourceId name;
    uint16_t language = 0;
    uint32_t codepage = 0;
    std::string data;
};

class ResourceTree {
  public:
    // Reads the directory at the start of `section` (the section's bytes; `section_rva` its
    // address in the image). False, with error, for a directory that does not hold together:
    // offsets outside the section, more than three levels, data outside the section.
    bool Read(const std::string& section, uint32_t section_rva, std::string& error);
    // The section's bytes for the given address.
    std::string Write(uint32_t section_rva) const;

    std::vector<Resource>& Entries() { return entries_; }
    const std::vector<Resource>& Entries() const { return entries_; }
    // The first entry with this type and name (any language); nullptr when none.
    Resource* Find(const ResourceId& type, const ResourceId& name);
    const Resource* Find(const ResourceId& type, const ResourceId& name) const;
    // Removes every entry with this type and name.
    void Remove(const ResourceId& type, const ResourceId& name);
    // Adds an entry, or replaces the data of the one with the same type, name and language.
    void Put(Resource r);

  private:
    std::vector<Resource> entries_;
};

}  // namespace zmpack
