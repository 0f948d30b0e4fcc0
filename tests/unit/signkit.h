#pragma once
// Signed programs for tests, through openssl and osslsigncode (Linux programs: native tests only).
#include <string>

namespace signkit {

// The smallest program the signing tool accepts: headers and one section of one instruction.
std::string MiniProgram();

// A self-signed certificate and its key (PEM files), subject "/O=Test Publisher/CN=<cn>".
bool MakeCertificate(const std::string& cert, const std::string& key, const std::string& cn);

// Signs `in` into `out` with that certificate and key and digest ("sha1", "sha256");
// nest adds the signature to those `in` has.
bool Sign(const std::string& in, const std::string& out, const std::string& cert,
          const std::string& key, const std::string& digest, bool nest = false);

}  // namespace signkit
