#include "tools/zmpack/methods.h"

#include "engine/solidformat.h"
#include "tools/zmpack/json.h"

namespace zmpack {

std::string MethodName(uint16_t method) {
    switch (method) {
        case 0:
            return "Stored";
        case 8:
            return "Deflate";
        case zipformat::kMethodLzma:
            return "LZMA";
        case zipformat::kMethodSolid:
            return "Solid";
        default:
            return "M" + std::to_string(method);
    }
}

MethodView DescribeMethods(const std::vector<zipformat::ZipEntry>& entries,
                           const std::vector<std::string>& names) {
    MethodView v;
    SolidChainView* open = nullptr;  // the chain the next member continues
    for (size_t i = 0; i < entries.size(); ++i) {
        const zipformat::ZipEntry& e = entries[i];
        MethodView::Entry row;
        row.name = i < names.size() ? names[i] : e.name;
        row.method = MethodName(e.method);
        zipformat::SolidMember m;
        if (e.method == zipformat::kMethodSolid && zipformat::ParseSolidMember(e.solid, m)) {
            if (m.index == 0) {
                SolidChainView c;
                c.first = i;
                c.x86 = m.filter == zipformat::kSolidFilterX86;
                c.dictionary = zipformat::DictSizeOfProp(m.dict_prop);
                v.chains.push_back(c);
                open = &v.chains.back();
            }
            if (open != nullptr && m.index == open->members) {
                row.chain = static_cast<int>(v.chains.size() - 1);
                row.member = m.index;
                ++open->members;
                open->size += e.size;
                open->packed += e.compressed_size;
                open->complete = m.last;
                if (m.last) open = nullptr;
            } else {
                open = nullptr;  // out of order: the chain stays incomplete
            }
        } else {
            open = nullptr;
        }
        v.entries.push_back(row);
    }
    return v;
}

void AppendMethodsText(std::string& out, const MethodView& v) {
    for (size_t c = 0; c < v.chains.size(); ++c) {
        const SolidChainView& s = v.chains[c];
        out += "Solid chain    " + std::to_string(c + 1) + ": " + std::to_string(s.members) +
               " members from entry " + std::to_string(s.first + 1) + ", LZMA2" +
               (s.x86 ? " with the x86 filter" : "") + ", dictionary " +
               std::to_string(s.dictionary >> 10) + " KiB, " + std::to_string(s.size) + " -> " +
               std::to_string(s.packed) + " bytes" + (s.complete ? "" : ", INCOMPLETE") + "\n";
    }
    if (v.entries.empty()) return;
    out += "Entry methods\n";
    for (const MethodView::Entry& e : v.entries) {
        std::string method = e.method;
        if (e.chain >= 0)
            method += " " + std::to_string(e.chain + 1) + "." + std::to_string(e.member);
        method.resize(std::max<size_t>(method.size() + 1, 14), ' ');
        out += "  " + method + e.name + "\n";
    }
}

void WriteMethodsJson(TJsonWriter& j, const MethodView& v) {
    j.Key("chains");
    j.BeginArray();
    for (const SolidChainView& s : v.chains) {
        j.BeginObject();
        j.Key("first_entry"), j.Unsigned(s.first);
        j.Key("members"), j.Unsigned(s.members);
        j.Key("filter"), j.String(s.x86 ? "x86" : "none");
        j.Key("dictionary"), j.Unsigned(s.dictionary);
        j.Key("size"), j.Unsigned(s.size);
        j.Key("packed"), j.Unsigned(s.packed);
        j.Key("complete"), j.Bool(s.complete);
        j.EndObject();
    }
    j.EndArray();
    j.Key("entry_methods");
    j.BeginArray();
    for (const MethodView::Entry& e : v.entries) {
        j.BeginObject();
        j.Key("name"), j.String(e.name);
        j.Key("method"), j.String(e.method);
        if (e.chain >= 0) {
            j.Key("chain"), j.Number(e.chain);
            j.Key("member"), j.Unsigned(e.member);
        }
        j.EndObject();
    }
    j.EndArray();
}

}  // namespace zmpack
