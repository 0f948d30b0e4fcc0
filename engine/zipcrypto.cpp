#include "engine/zipcrypto.h"

#include <zlib.h>

namespace engine {
namespace {

// zlib's table, taken once when the library is loaded.
const z_crc_t* const kCrcTable = get_crc_table();

uint32_t CrcByte(uint32_t crc, uint8_t b) {
    return static_cast<uint32_t>(kCrcTable[(crc ^ b) & 0xFF]) ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(const std::string& password) {
    for (char c : password) Update(static_cast<uint8_t>(c));
}

void ZipCrypto::Update(uint8_t plain) {
    k0_ = CrcByte(k0_, plain);
    k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
    k2_ = CrcByte(k2_, static_cast<uint8_t>(k1_ >> 24));
}

uint8_t ZipCrypto::KeyByte() const {
    uint32_t t = (k2_ | 2) & 0xFFFF;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

bool ZipCrypto::CheckHeader(uint8_t* header, uint8_t check_byte) {
    Decrypt(header, kCryptHeaderSize);
    return header[kCryptHeaderSize - 1] == check_byte;
}

void ZipCrypto::Decrypt(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        data[i] ^= KeyByte();
        Update(data[i]);
    }
}

void ZipCrypto::Encrypt(uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t plain = data[i];
        data[i] ^= KeyByte();
        Update(plain);
    }
}

}  // namespace engine
