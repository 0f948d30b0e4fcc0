#pragma once
// Traditional PKWARE encryption: the three-key stream cipher keyed by a password, and the
// 12-byte header that carries a one-byte check of the password.
#include <cstddef>
#include <cstdint>
#include <string>

namespace engine {

constexpr size_t kCryptHeaderSize = 12;

class ZipCrypto {
  public:
    explicit ZipCrypto(const std::string& password);
    // Decrypts the header in place; true when its last byte equals the check byte.
    bool CheckHeader(uint8_t* header, uint8_t check_byte);
    void Decrypt(uint8_t* data, size_t n);
    void Encrypt(uint8_t* data, size_t n);

  private:
    void Update(uint8_t plain);
    uint8_t KeyByte() const;

    uint32_t k0_ = 0x12345678u, k1_ = 0x23456789u, k2_ = 0x34567890u;
};

}  // namespace engine
