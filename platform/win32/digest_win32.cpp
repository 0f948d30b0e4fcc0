#include <windows.h>
#include <wincrypt.h>

#include "platform/digest.h"

namespace platform {

struct Digest::Impl {
    HCRYPTPROV prov = 0;
    HCRYPTHASH hash = 0;
    bool ok = false;
};

namespace {

ALG_ID Alg(DigestKind kind) {
    switch (kind) {
        case DigestKind::Md5:
            return CALG_MD5;
        case DigestKind::Sha1:
            return CALG_SHA1;
        case DigestKind::Sha256:
            return CALG_SHA_256;
        case DigestKind::Sha384:
            return CALG_SHA_384;
        case DigestKind::Sha512:
            return CALG_SHA_512;
    }
    return 0;
}

}  // namespace

Digest::Digest(DigestKind kind) : impl_(new Impl) {
    // The AES provider is the one that has the SHA-2 hashes.
    impl_->ok =
        CryptAcquireContextW(&impl_->prov, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT) &&
        CryptCreateHash(impl_->prov, Alg(kind), 0, 0, &impl_->hash);
}

Digest::~Digest() {
    if (impl_->hash != 0) CryptDestroyHash(impl_->hash);
    if (impl_->prov != 0) CryptReleaseContext(impl_->prov, 0);
}

bool Digest::Ok() const { return impl_->ok; }

void Digest::Update(const void* data, size_t size) {
    const auto* p = static_cast<const BYTE*>(data);
    while (impl_->ok && size > 0) {
        const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
        impl_->ok = CryptHashData(impl_->hash, p, chunk, 0) != 0;
        p += chunk;
        size -= chunk;
    }
}

std::string Digest::Final() {
    BYTE out[64];
    DWORD len = sizeof out;
    if (!impl_->ok || !CryptGetHashParam(impl_->hash, HP_HASHVAL, out, &len, 0)) return {};
    impl_->ok = false;
    return std::string(reinterpret_cast<const char*>(out), len);
}

}  // namespace platform
