#pragma once
// A package's Authenticode signature: where it is, what it claims and whether the file still
// matches it. The digest covers the whole file before the certificate table except the two
// header fields signing rewrites (the checksum and the security entry); see doc/format.md.
#include <string>
#include <vector>

#include "platform/types.h"

namespace zmpack {

struct SignatureInfo {
    bool present = false;       // the image's security entry names a certificate table
    bool digest_ok = false;     // every signature's digest equals the file's
    bool signature_ok = false;  // the signers' own signatures hold (and the chain, when asked)
    std::string algorithm;      // the outer signature's digest algorithm, "sha256"
    std::string signer;         // the outer signer's certificate subject, "CN=..., O=..."
    int count = 0;              // signatures, nested ones included
    std::vector<std::string> problems;  // what is wrong with the signature, for a person
};

// Reads and checks the signature of the file at path. ca_file, when not empty, names PEM
// certificates each signer's chain must reach. False only when the file cannot be read.
bool ReadSignature(const UString& path, const std::string& ca_file, SignatureInfo& info,
                   std::string& error);

}  // namespace zmpack
