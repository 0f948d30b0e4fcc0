#include "platform/digest.h"

#include <openssl/evp.h>

namespace platform {

struct Digest::Impl {
    EVP_MD_CTX* ctx = nullptr;
    bool ok = false;
};

namespace {

const EVP_MD* Md(DigestKind kind) {
    switch (kind) {
        case DigestKind::Md5:
            return EVP_md5();
        case DigestKind::Sha1:
            return EVP_sha1();
        case DigestKind::Sha256:
            return EVP_sha256();
        case DigestKind::Sha384:
            return EVP_sha384();
        case DigestKind::Sha512:
            return EVP_sha512();
    }
    return nullptr;
}

}  // namespace

Digest::Digest(DigestKind kind) : impl_(new Impl) {
    impl_->ctx = EVP_MD_CTX_new();
    impl_->ok = impl_->ctx != nullptr && EVP_DigestInit_ex(impl_->ctx, Md(kind), nullptr) == 1;
}

Digest::~Digest() { EVP_MD_CTX_free(impl_->ctx); }

bool Digest::Ok() const { return impl_->ok; }

void Digest::Update(const void* data, size_t size) {
    if (impl_->ok && size > 0) impl_->ok = EVP_DigestUpdate(impl_->ctx, data, size) == 1;
}

std::string Digest::Final() {
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (!impl_->ok || EVP_DigestFinal_ex(impl_->ctx, out, &len) != 1) return std::string();
    impl_->ok = false;
    return std::string(reinterpret_cast<const char*>(out), len);
}

}  // namespace platform
