#pragma once
// MD5 digest (RFC 1321). Windows: CryptoAPI; elsewhere: OpenSSL's libcrypto.
#include <cstddef>
#include <string>

namespace platform {

// 32 uppercase hexadecimal digits; empty when the system provider fails.
std::string Md5HexUpper(const void* data, size_t size);

}  // namespace platform
