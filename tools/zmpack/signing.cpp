#include "tools/zmpack/signing.h"

#include <cstdlib>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"

namespace zmpack {

const std::vector<OptionSpec> kSignSpecs = {
    {"sign-cert", 0, true, false}, {"sign-key", 0, true, false}, {"sign-pass", 0, true, false}};

const char* const kSignHelp =
    "  --sign-cert FILE         sign with this certificate (PEM or DER; Authenticode,\n"
    "                           SHA-256, through osslsigncode)\n"
    "  --sign-key FILE          the certificate's private key\n"
    "  --sign-pass P            the key's password\n";

bool ReadSignRequest(const TOptions& o, SignRequest& r, std::string& error) {
    r.cert = o.Value("sign-cert");
    r.key = o.Value("sign-key");
    r.pass = o.Value("sign-pass");
    if (o.Has("sign-cert") != o.Has("sign-key") ||
        (r.Wanted() && (r.cert.empty() || r.key.empty()))) {
        error = "signing needs both --sign-cert and --sign-key";
        return false;
    }
    if (o.Has("sign-pass") && !r.Wanted()) {
        error = "--sign-pass without --sign-cert and --sign-key";
        return false;
    }
    for (const UString* f : {&r.cert, &r.key}) {
        if (r.Wanted() && !platform::FileExists(*f)) {
            error = "cannot find " + platform::WideToUtf8(*f);
            return false;
        }
    }
    return true;
}

bool SignFile(const UString& in, const UString& out, const SignRequest& r, std::string& error) {
    auto u8 = [](const UString& s) { return platform::WideToUtf8(s); };
    std::vector<std::string> argv = {"osslsigncode", "sign",    "-certs", u8(r.cert),
                                     "-key",         u8(r.key), "-h",     "sha256"};
    if (!r.pass.empty()) argv.insert(argv.end(), {"-pass", u8(r.pass)});
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        if (*epoch != '\0') argv.insert(argv.end(), {"-time", epoch});
    }
    argv.insert(argv.end(), {"-in", u8(in), "-out", u8(out)});
    platform::RemoveFile(out);  // the tool does not replace an existing file
    bool missing = false;
    const int code = platform::RunProgram(argv, true, missing);
    if (missing) {
        error =
            "signing needs osslsigncode, which is not installed (Debian: apt-get install "
            "osslsigncode)";
        return false;
    }
    if (code != 0) {
        error = "osslsigncode could not sign " + u8(in) + " (exit code " + std::to_string(code) +
                "; its message is above)";
        platform::RemoveFile(out);
        return false;
    }
    return true;
}

}  // namespace zmpack
