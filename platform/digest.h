#pragma once
// Cryptographic hashes over data given in pieces. Windows: CryptoAPI; elsewhere: OpenSSL's
// libcrypto.
#include <cstddef>
#include <memory>
#include <string>

namespace platform {

enum class DigestKind { Md5, Sha1, Sha256, Sha384, Sha512 };

class Digest {
  public:
    explicit Digest(DigestKind kind);
    ~Digest();
    Digest(const Digest&) = delete;
    Digest& operator=(const Digest&) = delete;

    // False when the system provides no such hash.
    bool Ok() const;
    void Update(const void* data, size_t size);
    // The digest's bytes; empty when a step failed. Ends the digest.
    std::string Final();

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
