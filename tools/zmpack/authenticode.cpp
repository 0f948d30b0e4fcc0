#include "tools/zmpack/authenticode.h"

#include "engine/signedimage.h"
#include "engine/zipformat.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/signedmessage.h"
#include "package/authenticode.h"
#include "package/der.h"

namespace zmpack {
namespace {

std::string Bytes(const uint8_t* p, size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}

std::string NameText(const der::Element& name) {
    static const struct {
        const char* oid;
        const char* label;
    } kLabels[] = {{"2.5.4.3", "CN"},
                   {"2.5.4.6", "C"},
                   {"2.5.4.7", "L"},
                   {"2.5.4.8", "ST"},
                   {"2.5.4.10", "O"},
                   {"2.5.4.11", "OU"},
                   {"1.2.840.113549.1.9.1", "emailAddress"}};
    std::string out;
    der::Reader rdns(name);
    der::Element rdn;
    while (rdns.Next(der::kSet, rdn)) {
        der::Reader atvs(rdn);
        der::Element atv;
        while (atvs.Next(der::kSequence, atv)) {
            der::Reader r(atv);
            der::Element oid, value;
            if (!r.Next(der::kOid, oid) || !r.Next(value)) continue;
            const std::string id = der::OidText(oid);
            std::string label = id;
            for (const auto& l : kLabels)
                if (id == l.oid) label = l.label;
            std::string text;
            if (value.tag == 0x1E) {  // BMPString: UTF-16BE
                std::u16string w;
                for (size_t i = 0; i + 1 < value.size; i += 2)
                    w.push_back(static_cast<char16_t>((value.data[i] << 8) | value.data[i + 1]));
                text = platform::WideToUtf8(w);
            } else {
                text = Bytes(value.data, value.size);
            }
            out += (out.empty() ? "" : ", ") + label + "=" + text;
        }
    }
    return out;
}

// The subject of the certificate among `certs` with this issuer and serial number.
std::string SignerSubject(const std::string& certs, const std::string& issuer,
                          const std::string& serial) {
    der::Reader r(reinterpret_cast<const uint8_t*>(certs.data()), certs.size());
    der::Element cert;
    while (r.Next(der::kSequence, cert)) {
        der::Reader c(cert);
        der::Element tbs, number, alg, cert_issuer, validity, subject;
        if (!c.Next(der::kSequence, tbs)) continue;
        der::Reader t(tbs);
        t.SkipIf(der::ContextTag(0));
        if (!t.Next(der::kInteger, number) || !t.Next(der::kSequence, alg) ||
            !t.Next(der::kSequence, cert_issuer) || !t.Next(der::kSequence, validity) ||
            !t.Next(der::kSequence, subject))
            continue;
        if (Bytes(number.whole, number.whole_size) == serial &&
            Bytes(cert_issuer.whole, cert_issuer.whole_size) == issuer)
            return NameText(subject);
    }
    return std::string();
}

}  // namespace

bool ReadSignature(const UString& path, const std::string& ca_file, SignatureInfo& info,
                   std::string& error) {
    info = SignatureInfo();
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) {
        error = "cannot open " + platform::WideToUtf8(path) + ": " +
                platform::WideToUtf8(platform::OsErrorText(f.LastError()));
        return false;
    }
    zipformat::FileSource whole(f, true);
    const zipformat::SignedImage image = zipformat::FindSignedImage(whole);
    if (image.table_offset == 0 && image.table_size == 0) return true;  // unsigned
    info.present = true;
    if (!image.has_table) {
        info.problems.push_back(
            image.table_offset + image.table_size < image.file_size
                ? "the signature's certificate table does not close the file: bytes follow it"
                : "the signature's certificate table is malformed or lies outside the file");
        return true;
    }
    std::vector<authenticode::Signature> signatures;
    switch (authenticode::ReadSignatures(whole, image, signatures)) {
        case authenticode::TableRead::Ok:
            break;
        case authenticode::TableRead::Unreadable:
            info.problems.push_back("the signature is not a readable Authenticode signature");
            return true;
        case authenticode::TableRead::NoSignature:
            info.problems.push_back("the certificate table holds no Authenticode signature");
            return true;
    }
    info.count = static_cast<int>(signatures.size());
    const authenticode::Signature& first = signatures[0];
    const authenticode::Algorithm* outer = authenticode::FindAlgorithm(first.algorithm_oid);
    info.algorithm = outer != nullptr ? outer->name : first.algorithm_oid;
    if (!first.certificates.empty() && !first.issuer.empty())
        info.signer = SignerSubject(first.certificates, first.issuer, first.serial);

    // The file's digest of every kind the signatures use, in one pass over the file without the
    // checksum, the security entry and the table itself.
    authenticode::ImageDigest digest(image, authenticode::KindsOf(signatures));
    if (!digest.Ok() || !authenticode::HashFile(whole, digest)) {
        const authenticode::Algorithm* a = outer;
        for (size_t i = 1; a == nullptr && i < signatures.size(); ++i)
            a = authenticode::FindAlgorithm(signatures[i].algorithm_oid);
        if (a != nullptr) {
            error = "cannot read " + platform::WideToUtf8(path) + " for its " + a->name + " digest";
            return false;
        }
    }
    info.digest_ok = true;
    info.signature_ok = true;
    for (const authenticode::Signature& s : signatures) {
        const authenticode::Algorithm* a = authenticode::FindAlgorithm(s.algorithm_oid);
        if (a == nullptr) {
            info.digest_ok = false;
            info.problems.push_back("the signature uses an unknown digest algorithm " +
                                    s.algorithm_oid);
            continue;
        }
        if (digest.Value(a->kind) != s.digest) {
            info.digest_ok = false;
            info.problems.push_back(std::string("the file does not match its ") + a->name +
                                    " signature: bytes it covers have changed");
        }
        std::string why;
        switch (platform::CheckSignedMessage(s.der, s.content, ca_file, why)) {
            case platform::SignedMessageCheck::Sound:
                break;
            case platform::SignedMessageCheck::Broken:
                info.signature_ok = false;
                info.problems.push_back(std::string("the ") + a->name +
                                        " signature does not hold: " + why);
                break;
            case platform::SignedMessageCheck::Unavailable:
                // Without a chain to check, the digest is what this build can vouch for.
                if (!ca_file.empty()) {
                    info.signature_ok = false;
                    info.problems.push_back(why);
                }
                break;
        }
    }
    return true;
}

}  // namespace zmpack
