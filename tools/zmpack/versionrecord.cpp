#include "tools/zmpack/versionrecord.h"

#include "common/littleendian.h"

namespace zmpack {
namespace {

constexpr size_t kHeader = 6;
constexpr int kMaxDepth = 4;
constexpr size_t kFixedSize = 52;
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
const std::u16string kStringFileInfo = u"StringFileInfo";

size_t Align4(size_t v) { return (v + 3) & ~size_t{3}; }

const uint8_t* At(const std::string& s, size_t offset) {
    return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

void Set16(std::string& s, size_t at, uint32_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

bool ReadNode(const std::string& d, size_t at, size_t end, int depth, VersionNode& node) {
    if (depth > kMaxDepth || at > end || end - at < kHeader) return false;
    const size_t length = le::Get16(At(d, at));
    const size_t value_length = le::Get16(At(d, at + 2));
    node.type = le::Get16(At(d, at + 4));
    if (length < kHeader || length > end - at) return false;
    const size_t node_end = at + length;
    size_t pos = at + kHeader;
    for (;;) {
        if (node_end - pos < 2) return false;
        const char16_t c = static_cast<char16_t>(le::Get16(At(d, pos)));
        pos += 2;
        if (c == 0) break;
        node.key.push_back(c);
    }
    pos = Align4(pos);
    const size_t value_bytes = node.type == 1 ? 2 * value_length : value_length;
    if (pos > node_end || value_bytes > node_end - pos) return false;
    node.value = d.substr(pos, value_bytes);
    pos = Align4(pos + value_bytes);
    while (pos < node_end && node_end - pos >= kHeader) {
        VersionNode child;
        if (!ReadNode(d, pos, node_end, depth + 1, child)) return false;
        pos = Align4(pos + le::Get16(At(d, pos)));
        node.children.push_back(std::move(child));
    }
    return true;
}

void WriteNode(const VersionNode& node, std::string& out) {
    const size_t start = out.size();
    out.append(kHeader, '\0');
    for (char16_t c : node.key) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    out.append(2, '\0');
    out.resize(start + Align4(out.size() - start), '\0');
    out += node.value;
    for (const VersionNode& child : node.children) {
        out.resize(start + Align4(out.size() - start), '\0');
        WriteNode(child, out);
    }
    Set16(out, start, static_cast<uint32_t>(out.size() - start));
    Set16(out, start + 2,
          static_cast<uint32_t>(node.type == 1 ? node.value.size() / 2 : node.value.size()));
    Set16(out, start + 4, node.type);
}

std::string TextValue(const std::u16string& text) {
    std::string v;
    for (char16_t c : text) {
        v += static_cast<char>(c & 0xFF);
        v += static_cast<char>(c >> 8);
    }
    return v.append(2, '\0');
}

std::u16string ValueText(const std::string& v) {
    std::u16string t;
    for (size_t i = 0; i + 1 < v.size(); i += 2) {
        const char16_t c = static_cast<char16_t>(le::Get16(At(v, i)));
        if (c == 0) break;
        t.push_back(c);
    }
    return t;
}

void SetParts(std::string& fixed, size_t at, const uint16_t p[4]) {
    Set16(fixed, at, p[1]);
    Set16(fixed, at + 2, p[0]);
    Set16(fixed, at + 4, p[3]);
    Set16(fixed, at + 6, p[2]);
}

void GetParts(const std::string& fixed, size_t at, uint16_t p[4]) {
    p[1] = le::Get16(At(fixed, at));
    p[0] = le::Get16(At(fixed, at + 2));
    p[3] = le::Get16(At(fixed, at + 4));
    p[2] = le::Get16(At(fixed, at + 6));
}

}  // namespace

bool VersionRecord::Read(const std::string& data, std::string& error) {
    VersionNode root;
    if (!ReadNode(data, 0, data.size(), 0, root) || root.key != u"VS_VERSION_INFO" ||
        root.value.size() != kFixedSize || le::Get32(At(root.value, 0)) != kFixedSignature) {
        error = "the program's version record is damaged";
        return false;
    }
    root_ = std::move(root);
    return true;
}

std::string VersionRecord::Write() const {
    std::string out;
    WriteNode(root_, out);
    return out;
}

std::u16string VersionRecord::String(const std::u16string& key) const {
    for (const VersionNode& info : root_.children)
        if (info.key == kStringFileInfo)
            for (const VersionNode& table : info.children)
                for (const VersionNode& s : table.children)
                    if (s.key == key) return ValueText(s.value);
    return std::u16string();
}

void VersionRecord::SetString(const std::u16string& key, const std::u16string& value) {
    VersionNode* info = nullptr;
    for (VersionNode& n : root_.children)
        if (n.key == kStringFileInfo) info = &n;
    if (info == nullptr) {
        root_.children.insert(root_.children.begin(), VersionNode{kStringFileInfo, 1, {}, {}});
        info = &root_.children.front();
    }
    if (info->children.empty()) info->children.push_back(VersionNode{u"040904B0", 1, {}, {}});
    for (VersionNode& table : info->children) {
        bool found = false;
        for (VersionNode& s : table.children)
            if (s.key == key) {
                s.type = 1;
                s.value = TextValue(value);
                found = true;
            }
        if (!found) table.children.push_back(VersionNode{key, 1, TextValue(value), {}});
    }
}

void VersionRecord::SetFileVersion(const uint16_t parts[4]) { SetParts(root_.value, 8, parts); }
void VersionRecord::SetProductVersion(const uint16_t parts[4]) { SetParts(root_.value, 16, parts); }
void VersionRecord::FileVersion(uint16_t parts[4]) const { GetParts(root_.value, 8, parts); }
void VersionRecord::ProductVersion(uint16_t parts[4]) const { GetParts(root_.value, 16, parts); }

bool ParseDottedVersion(const std::u16string& text, uint16_t parts[4]) {
    for (int i = 0; i < 4; ++i) parts[i] = 0;
    int part = 0;
    uint32_t value = 0;
    bool digits = false;
    for (char16_t c : text) {
        if (c == u'.') {
            if (!digits || part == 3) return false;
            parts[part++] = static_cast<uint16_t>(value);
            value = 0;
            digits = false;
        } else if (c >= u'0' && c <= u'9') {
            value = value * 10 + (c - u'0');
            if (value > 0xFFFF) return false;
            digits = true;
        } else {
            return false;
        }
    }
    if (!digits) return false;
    parts[part] = static_cast<uint16_t>(value);
    return true;
}

}  // namespace zmpack
