#pragma once
// How a package's entries are compressed, for zmpack info and list: each entry's method by name,
// and the solid chains (engine/solidformat.h) as their member records describe them.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/zipformat.h"

namespace zmpack {

class TJsonWriter;

// "Stored", "Deflate", "LZMA", "Solid", else "M" and the number.
std::string MethodName(uint16_t method);

struct SolidChainView {
    uint64_t first = 0;    // directory position of member 0
    uint32_t members = 0;  // members counted in order
    bool x86 = false;
    uint64_t dictionary = 0;
    uint64_t size = 0, packed = 0;
    bool complete = false;  // ends with a member marked last, every index in order
};

struct MethodView {
    struct Entry {
        std::string name;  // UTF-8
        std::string method;
        int chain = -1;  // index into chains, or -1
        uint32_t member = 0;
    };
    std::vector<Entry> entries;
    std::vector<SolidChainView> chains;
};

// names: the entries' names as shown (UTF-8), in directory order.
MethodView DescribeMethods(const std::vector<zipformat::ZipEntry>& entries,
                           const std::vector<std::string>& names);
void AppendMethodsText(std::string& out, const MethodView& v);
void WriteMethodsJson(TJsonWriter& j, const MethodView& v);

}  // namespace zmpack
