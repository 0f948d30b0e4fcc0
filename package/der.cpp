#include "package/der.h"

namespace der {

bool Reader::Next(Element& e) {
    const uint8_t* p = p_;
    if (p == nullptr || end_ - p < 2) return false;
    const uint8_t tag = *p++;
    if ((tag & 0x1F) == 0x1F) return false;  // multi-byte tags do not occur here
    size_t len = *p++;
    if (len & 0x80) {
        const size_t n = len & 0x7F;
        if (n == 0 || n > 4 || static_cast<size_t>(end_ - p) < n) return false;
        len = 0;
        for (size_t i = 0; i < n; ++i) len = (len << 8) | *p++;
    }
    if (static_cast<size_t>(end_ - p) < len) return false;
    e.tag = tag;
    e.whole = p_;
    e.data = p;
    e.size = len;
    e.whole_size = static_cast<size_t>(p + len - p_);
    p_ = p + len;
    return true;
}

bool Reader::Next(uint8_t tag, Element& e) {
    Reader copy = *this;
    Element got;
    if (!copy.Next(got) || got.tag != tag) return false;
    *this = copy;
    e = got;
    return true;
}

void Reader::SkipIf(uint8_t tag) {
    Element ignored;
    Next(tag, ignored);
}

std::string OidText(const Element& oid) {
    if (oid.tag != kOid || oid.size == 0) return std::string();
    std::string out;
    uint64_t value = 0;
    bool first = true;
    for (size_t i = 0; i < oid.size; ++i) {
        if (value > (UINT64_MAX >> 7)) return std::string();
        value = (value << 7) | (oid.data[i] & 0x7F);
        if (oid.data[i] & 0x80) continue;
        if (first) {
            const uint64_t top = value < 40 ? 0 : value < 80 ? 1 : 2;
            out = std::to_string(top) + "." + std::to_string(value - top * 40);
            first = false;
        } else {
            out += "." + std::to_string(value);
        }
        value = 0;
    }
    return (oid.data[oid.size - 1] & 0x80) ? std::string() : out;
}

}  // namespace der
