#include <windows.h>
#include <wincrypt.h>

#include "platform/md5.h"

namespace platform {

std::string Md5HexUpper(const void* data, size_t size) {
    HCRYPTPROV prov = 0;
    if (!CryptAcquireContextW(&prov, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        return std::string();
    }
    std::string out;
    HCRYPTHASH hash = 0;
    if (CryptCreateHash(prov, CALG_MD5, 0, 0, &hash)) {
        const auto* p = static_cast<const BYTE*>(data);
        bool ok = true;
        while (size > 0 && ok) {
            DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
            ok = CryptHashData(hash, p, chunk, 0) != 0;
            p += chunk;
            size -= chunk;
        }
        BYTE digest[16];
        DWORD len = sizeof(digest);
        if (ok && CryptGetHashParam(hash, HP_HASHVAL, digest, &len, 0) && len == 16) {
            static const char kHex[] = "0123456789ABCDEF";
            for (BYTE b : digest) {
                out.push_back(kHex[b >> 4]);
                out.push_back(kHex[b & 15]);
            }
        }
        CryptDestroyHash(hash);
    }
    CryptReleaseContext(prov, 0);
    return out;
}

}  // namespace platform
