#include <openssl/evp.h>

#include <cstdio>

#include "platform/md5.h"

namespace platform {

std::string Md5HexUpper(const void* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_Digest(data, size, digest, &len, EVP_md5(), nullptr) != 1 || len != 16) {
        return std::string();
    }
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned i = 0; i < len; ++i) {
        out.push_back(kHex[digest[i] >> 4]);
        out.push_back(kHex[digest[i] & 15]);
    }
    return out;
}

}  // namespace platform
