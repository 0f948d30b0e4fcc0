#pragma once
// The cryptographic check of a PKCS#7 signed message whose content is carried inside it (an
// Authenticode signature): the signer's signature over the content, and optionally the chain of
// the signer's certificate to a trusted certificate. Elsewhere than Windows: OpenSSL.
#include <string>

namespace platform {

enum class SignedMessageCheck { Sound, Broken, Unavailable };

// `content` is the signed content's value (for Authenticode: the contents of the
// SpcIndirectDataContent sequence). `ca_file`, when not empty, is a PEM file of trusted
// certificates the signer's chain must end in. Broken and Unavailable say why.
SignedMessageCheck CheckSignedMessage(const std::string& der, const std::string& content,
                                      const std::string& ca_file, std::string& why);

}  // namespace platform
