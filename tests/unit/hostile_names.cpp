#include "tests/unit/hostile_names.h"

#include <algorithm>

#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "tests/unit/testutil.h"

namespace hostile {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::vector<std::string> Snapshot(const UString& folder) {
    std::vector<std::string> out;
    testutil::VisitTree(
        folder, [&](const std::string& rel, const platform::PathInfo& e, const UString&) {
            out.push_back(e.is_dir ? rel + "/" : rel + " " + std::to_string(e.size));
        });
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> Names() {
    platform::RcData rc;
    if (!platform::FindRcData("HOSTILENAMES", rc)) return {};
    std::string text(reinterpret_cast<const char*>(rc.data), rc.size);
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string name;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 't') {
                name += '\t';
                ++i;
            } else if (line[i] == '\\' && i + 3 < line.size() && line[i + 1] == 'x' &&
                       HexDigit(line[i + 2]) >= 0 && HexDigit(line[i + 3]) >= 0) {
                name += static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
                i += 3;
            } else {
                name += line[i];
            }
        }
        names.push_back(name);
    }
    return names;
}

}  // namespace hostile
