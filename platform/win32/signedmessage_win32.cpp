#include "platform/signedmessage.h"

namespace platform {

// zmpack.exe checks the digest a signature holds; the signer's own signature and the chain are
// checked by the Linux zmpack.
SignedMessageCheck CheckSignedMessage(const std::string&, const std::string&, const std::string&,
                                      std::string& why) {
    why = "this build cannot check a signer's signature or certificate chain";
    return SignedMessageCheck::Unavailable;
}

}  // namespace platform
