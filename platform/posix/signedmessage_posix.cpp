#include "platform/signedmessage.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

namespace platform {
namespace {

std::string OpenSslError() {
    const unsigned long e = ERR_get_error();
    ERR_clear_error();
    if (e == 0) return "unknown error";
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    return buf;
}

}  // namespace

SignedMessageCheck CheckSignedMessage(const std::string& der, const std::string& content,
                                      const std::string& ca_file, std::string& why) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(der.data());
    std::unique_ptr<PKCS7, decltype(&PKCS7_free)> p7(
        d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())), PKCS7_free);
    if (!p7 || !PKCS7_type_is_signed(p7.get())) {
        why = "not a PKCS#7 signed message";
        return SignedMessageCheck::Broken;
    }
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(),
                                                                  X509_STORE_free);
    int flags = PKCS7_NOVERIFY;
    if (!ca_file.empty()) {
        if (!store || X509_STORE_load_file(store.get(), ca_file.c_str()) != 1) {
            why = "cannot read the certificates in " + ca_file + ": " + OpenSslError();
            return SignedMessageCheck::Unavailable;
        }
        // A code-signing certificate is not an e-mail one: any purpose will do.
        X509_STORE_set_purpose(store.get(), X509_PURPOSE_ANY);
        flags = 0;
    }
    std::unique_ptr<BIO, decltype(&BIO_free)> in(
        BIO_new_mem_buf(content.data(), static_cast<int>(content.size())), BIO_free);
    if (PKCS7_verify(p7.get(), nullptr, store.get(), in.get(), nullptr, flags | PKCS7_BINARY) !=
        1) {
        why = OpenSslError();
        return SignedMessageCheck::Broken;
    }
    return SignedMessageCheck::Sound;
}

}  // namespace platform
