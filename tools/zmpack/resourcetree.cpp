#include "tools/zmpack/resourcetree.h"

#include <algorithm>
#include <map>

#include "common/littleendian.h"

namespace zmpack {
namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kTableSize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
// A real program has a few dozen resources; the limits keep a hostile directory, whose tables
// may point at each other, from multiplying into an unbounded list.
constexpr size_t kMaxEntries = 4096;
constexpr size_t kMaxTotalData = 64u << 20;

const uint8_t* At(const std::string& s, size_t offset) {
    return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v & 0xFFFF);
    Put16(s, at + 2, v >> 16);
}

// Named ones first, by their text; numbered ones after, ascending.
bool IdLess(const ResourceId& a, const ResourceId& b) {
    if (a.IsText() != b.IsText()) return a.IsText();
    return a.IsText() ? a.text < b.text : a.number < b.number;
}

class Reader {
  public:
    Reader(const std::string& section, uint32_t rva, std::vector<Resource>& out)
        : s_(section), rva_(rva), out_(out) {}

    bool Table(size_t offset, int level, const ResourceId& type, const ResourceId& name) {
        if (offset > s_.size() || s_.size() - offset < kTableSize) return Fail("a table");
        const size_t count =
            size_t{le::Get16(At(s_, offset + 12))} + le::Get16(At(s_, offset + 14));
        if (count > (s_.size() - offset - kTableSize) / kEntrySize)
            return Fail("a table's entries");
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = At(s_, offset + kTableSize + i * kEntrySize);
            const uint32_t id_field = le::Get32(e);
            const uint32_t target = le::Get32(e + 4);
            ResourceId id;
            if (id_field & kHighBit) {
                if (!Text(id_field & ~kHighBit, id.text)) return false;
            } else {
                if (id_field > 0xFFFF) return Fail("a resource number");
                id.number = static_cast<uint16_t>(id_field);
            }
            const bool is_table = (target & kHighBit) != 0;
            if (is_table != (level < 2)) return Fail("the directory's depth");
            if (level == 0 && !Table(target & ~kHighBit, 1, id, ResourceId())) return false;
            if (level == 1 && !Table(target & ~kHighBit, 2, type, id)) return false;
            if (level == 2) {
                if (id.IsText()) return Fail("a language");
                if (!Leaf(target, type, name, id.number)) return false;
            }
        }
        return true;
    }

    const std::string& Error() const { return error_; }

  private:
    bool Fail(const char* what) {
        error_ = std::string("the resource directory is damaged: ") + what +
                 " lies outside the resource section";
        return false;
    }

    bool Text(size_t offset, std::u16string& out) {
        if (offset > s_.size() || s_.size() - offset < 2) return Fail("a resource name");
        const size_t n = le::Get16(At(s_, offset));
        if (n == 0 || (s_.size() - offset - 2) / 2 < n) return Fail("a resource name");
        out.clear();
        for (size_t i = 0; i < n; ++i)
            out.push_back(static_cast<char16_t>(le::Get16(At(s_, offset + 2 + 2 * i))));
        return true;
    }

    bool Leaf(size_t offset, const ResourceId& type, const ResourceId& name, uint16_t lang) {
        if (offset > s_.size() || s_.size() - offset < kDataEntrySize) return Fail("a data entry");
        const uint8_t* d = At(s_, offset);
        const uint32_t data_rva = le::Get32(d);
        const uint32_t size = le::Get32(d + 4);
        if (data_rva < rva_ || data_rva - rva_ > s_.size() || s_.size() - (data_rva - rva_) < size)
            return Fail("a resource's data");
        total_ += size;
        if (out_.size() >= kMaxEntries || total_ > kMaxTotalData) {
            error_ = "the resource directory lists more resources than a program holds";
            return false;
        }
        Resource r;
        r.type = type;
        r.name = name;
        r.language = lang;
        r.codepage = le::Get32(d + 8);
        r.data = s_.substr(data_rva - rva_, size);
        out_.push_back(std::move(r));
        return true;
    }

    const std::string& s_;
    uint32_t rva_;
    std::vector<Resource>& out_;
    size_t total_ = 0;
    std::string error_;
};

}  // namespace

bool ResourceTree::Read(const std::string& section, uint32_t section_rva, std::string& error) {
    std::vector<Resource> entries;
    Reader reader(section, section_rva, entries);
    if (!reader.Table(0, 0, ResourceId(), ResourceId())) {
        error = reader.Error();
        return false;
    }
    entries_ = std::move(entries);
    return true;
}

Resource* ResourceTree::Find(const ResourceId& type, const ResourceId& name) {
    for (Resource& r : entries_)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

const Resource* ResourceTree::Find(const ResourceId& type, const ResourceId& name) const {
    return const_cast<ResourceTree*>(this)->Find(type, name);
}

void ResourceTree::Remove(const ResourceId& type, const ResourceId& name) {
    entries_.erase(
        std::remove_if(entries_.begin(), entries_.end(),
                       [&](const Resource& r) { return r.type == type && r.name == name; }),
        entries_.end());
}

void ResourceTree::Put(Resource r) {
    for (Resource& e : entries_)
        if (e.type == r.type && e.name == r.name && e.language == r.language) {
            e = std::move(r);
            return;
        }
    entries_.push_back(std::move(r));
}

std::string ResourceTree::Write(uint32_t section_rva) const {
    // The tree in the order the tables list it.
    struct Name {
        ResourceId id;
        std::vector<const Resource*> langs;
    };
    struct Type {
        ResourceId id;
        std::vector<Name> names;
    };
    std::vector<const Resource*> sorted;
    for (const Resource& r : entries_) sorted.push_back(&r);
    std::sort(sorted.begin(), sorted.end(), [](const Resource* a, const Resource* b) {
        if (!(a->type == b->type)) return IdLess(a->type, b->type);
        if (!(a->name == b->name)) return IdLess(a->name, b->name);
        return a->language < b->language;
    });
    std::vector<Type> types;
    for (const Resource* r : sorted) {
        if (types.empty() || !(types.back().id == r->type)) types.push_back({r->type, {}});
        std::vector<Name>& names = types.back().names;
        if (names.empty() || !(names.back().id == r->name)) names.push_back({r->name, {}});
        names.back().langs.push_back(r);
    }

    // Tables breadth first, then the data entries, the names and the data.
    size_t at = kTableSize + kEntrySize * types.size();
    std::vector<size_t> type_table, name_table;
    for (const Type& t : types) {
        type_table.push_back(at);
        at += kTableSize + kEntrySize * t.names.size();
    }
    for (const Type& t : types)
        for (const Name& n : t.names) {
            name_table.push_back(at);
            at += kTableSize + kEntrySize * n.langs.size();
        }
    const size_t data_entries = at;
    at += kDataEntrySize * sorted.size();
    std::map<std::u16string, size_t> strings;
    auto place_text = [&](const ResourceId& id) {
        if (id.IsText() && strings.emplace(id.text, at).second) at += 2 + 2 * id.text.size();
    };
    for (const Type& t : types) {
        place_text(t.id);
        for (const Name& n : t.names) place_text(n.id);
    }
    std::vector<size_t> data_at;
    for (const Resource* r : sorted) {
        at = (at + 7) & ~size_t{7};
        data_at.push_back(at);
        at += r->data.size();
    }
    std::string out((at + 7) & ~size_t{7}, '\0');

    auto id_field = [&](const ResourceId& id) -> uint32_t {
        return id.IsText() ? kHighBit | static_cast<uint32_t>(strings[id.text]) : id.number;
    };
    auto table = [&](size_t offset, const std::vector<ResourceId>& ids,
                     const std::vector<uint32_t>& targets) {
        const size_t named =
            std::count_if(ids.begin(), ids.end(), [](const ResourceId& i) { return i.IsText(); });
        Put16(out, offset + 12, static_cast<uint32_t>(named));
        Put16(out, offset + 14, static_cast<uint32_t>(ids.size() - named));
        for (size_t i = 0; i < ids.size(); ++i) {
            Put32(out, offset + kTableSize + i * kEntrySize, id_field(ids[i]));
            Put32(out, offset + kTableSize + i * kEntrySize + 4, targets[i]);
        }
    };
    std::vector<ResourceId> ids;
    std::vector<uint32_t> targets;
    for (size_t t = 0; t < types.size(); ++t) {
        ids.push_back(types[t].id);
        targets.push_back(kHighBit | static_cast<uint32_t>(type_table[t]));
    }
    table(0, ids, targets);
    size_t name_index = 0, leaf = 0;
    for (size_t t = 0; t < types.size(); ++t) {
        ids.clear();
        targets.clear();
        for (const Name& n : types[t].names) {
            ids.push_back(n.id);
            targets.push_back(kHighBit | static_cast<uint32_t>(name_table[name_index++]));
        }
        table(type_table[t], ids, targets);
    }
    name_index = 0;
    for (const Type& t : types)
        for (const Name& n : t.names) {
            ids.clear();
            targets.clear();
            for (const Resource* r : n.langs) {
                ids.push_back(ResourceId::Number(r->language));
                const size_t entry = data_entries + kDataEntrySize * leaf;
                targets.push_back(static_cast<uint32_t>(entry));
                Put32(out, entry, section_rva + static_cast<uint32_t>(data_at[leaf]));
                Put32(out, entry + 4, static_cast<uint32_t>(r->data.size()));
                Put32(out, entry + 8, r->codepage);
                out.replace(data_at[leaf], r->data.size(), r->data);
                ++leaf;
            }
            table(name_table[name_index++], ids, targets);
        }
    for (const auto& s : strings) {
        Put16(out, s.second, static_cast<uint32_t>(s.first.size()));
        for (size_t i = 0; i < s.first.size(); ++i) Put16(out, s.second + 2 + 2 * i, s.first[i]);
    }
    return out;
}

}  // namespace zmpack
