#pragma once
// A bounded reader of DER (the encoding of PKCS#7 and X.509): tag, length and contents, never a
// read outside the buffer, definite lengths only.
#include <cstddef>
#include <cstdint>
#include <string>

namespace der {

constexpr uint8_t kInteger = 0x02, kOctetString = 0x04, kNull = 0x05, kOid = 0x06, kSequence = 0x30,
                  kSet = 0x31;
constexpr uint8_t ContextTag(int n, bool constructed = true) {
    return static_cast<uint8_t>(0x80 | (constructed ? 0x20 : 0) | n);
}

// One element: its tag, its whole encoding and its contents.
struct Element {
    uint8_t tag = 0;
    const uint8_t* whole = nullptr;
    size_t whole_size = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// The elements of a constructed element's contents, one after another.
class Reader {
  public:
    Reader() = default;
    Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    explicit Reader(const Element& e) : Reader(e.data, e.size) {}

    bool AtEnd() const { return p_ == end_; }
    // The next element; false (and nothing consumed) when none can be read.
    bool Next(Element& e);
    // The next element when it has this tag; false otherwise.
    bool Next(uint8_t tag, Element& e);
    // Skips the next element when it has this tag.
    void SkipIf(uint8_t tag);

  private:
    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
};

// An object identifier in dotted form ("1.2.840.113549.1.7.2"); empty when malformed.
std::string OidText(const Element& oid);

}  // namespace der
