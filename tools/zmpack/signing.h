#pragma once
// Signing a package (Authenticode, SHA-256) through osslsigncode, the signing tool of Linux
// distributions; on Windows the same tool when it is on the PATH.
#include <string>
#include <vector>

#include "platform/types.h"
#include "tools/zmpack/options.h"

namespace zmpack {

struct SignRequest {
    UString cert;  // PEM or DER certificate (chain) of the signer
    UString key;   // its private key
    UString pass;  // the key's password, when it has one
    bool Wanted() const { return !cert.empty() || !key.empty(); }
};

// The options both `create` and `sign` take.
extern const std::vector<OptionSpec> kSignSpecs;
extern const char* const kSignHelp;

// Reads them from o; false, with error, when one is given without the other.
bool ReadSignRequest(const TOptions& o, SignRequest& r, std::string& error);

// Writes in, signed, to out (which must differ from in). With SOURCE_DATE_EPOCH set, that is the
// signing time, so the same inputs and key give the same bytes.
bool SignFile(const UString& in, const UString& out, const SignRequest& r, std::string& error);

}  // namespace zmpack
