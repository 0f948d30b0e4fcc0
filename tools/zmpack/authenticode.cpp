#include "tools/zmpack/authenticode.h"

#include <algorithm>
#include <memory>

#include "common/littleendian.h"
#include "engine/signedimage.h"
#include "engine/zipformat.h"
#include "platform/codepage.h"
#include "platform/digest.h"
#include "platform/files.h"
#include "platform/signedmessage.h"
#include "tools/zmpack/der.h"

namespace zmpack {
namespace {

constexpr const char* kSignedData = "1.2.840.113549.1.7.2";
constexpr const char* kIndirectData = "1.3.6.1.4.1.311.2.1.4";
constexpr const char* kNestedSignature = "1.3.6.1.4.1.311.2.4.1";
constexpr int kMaxNesting = 8;
constexpr uint16_t kPkcsSignedData = 2;

struct Algorithm {
    const char* oid;
    const char* name;
    platform::DigestKind kind;
};
constexpr Algorithm kAlgorithms[] = {
    {"1.2.840.113549.2.5", "md5", platform::DigestKind::Md5},
    {"1.3.14.3.2.26", "sha1", platform::DigestKind::Sha1},
    {"2.16.840.1.101.3.4.2.1", "sha256", platform::DigestKind::Sha256},
    {"2.16.840.1.101.3.4.2.2", "sha384", platform::DigestKind::Sha384},
    {"2.16.840.1.101.3.4.2.3", "sha512", platform::DigestKind::Sha512},
};

const Algorithm* FindAlgorithm(const std::string& oid) {
    for (const Algorithm& a : kAlgorithms)
        if (oid == a.oid) return &a;
    return nullptr;
}

// One signature as the DER says it.
struct Signature {
    std::string der;  // the whole ContentInfo
    std::string algorithm_oid;
    std::string digest;   // what the signer hashed the file to
    std::string content;  // the SpcIndirectDataContent's contents (what was signed)
    std::string signer;
};

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
std::string SignerSubject(const der::Element& certs, const der::Element& issuer,
                          const der::Element& serial) {
    der::Reader r(certs);
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
        if (Bytes(number.whole, number.whole_size) == Bytes(serial.whole, serial.whole_size) &&
            Bytes(cert_issuer.whole, cert_issuer.whole_size) ==
                Bytes(issuer.whole, issuer.whole_size))
            return NameText(subject);
    }
    return std::string();
}

// Reads a ContentInfo holding SignedData, and the signatures nested in its signer's unsigned
// attributes, into out. False when it is not one.
bool ParseSignature(const uint8_t* data, size_t size, int depth, std::vector<Signature>& out) {
    if (depth > kMaxNesting) return false;
    der::Reader top(data, size);
    der::Element info, type, wrapped, signed_data;
    if (!top.Next(der::kSequence, info)) return false;
    der::Reader ri(info);
    if (!ri.Next(der::kOid, type) || der::OidText(type) != kSignedData ||
        !ri.Next(der::ContextTag(0), wrapped))
        return false;
    der::Reader rw(wrapped);
    if (!rw.Next(der::kSequence, signed_data)) return false;
    der::Reader sd(signed_data);
    der::Element version, algs, content_info, certs, signers;
    if (!sd.Next(der::kInteger, version) || !sd.Next(der::kSet, algs) ||
        !sd.Next(der::kSequence, content_info))
        return false;
    const bool has_certs = sd.Next(der::ContextTag(0), certs);
    sd.SkipIf(der::ContextTag(1));
    if (!sd.Next(der::kSet, signers)) return false;

    Signature s;
    s.der = Bytes(info.whole, info.whole_size);
    // contentInfo: SpcIndirectDataContent { data, DigestInfo { algorithm, digest } }
    der::Reader rc(content_info);
    der::Element content_type, explicit_content, indirect, attr, digest_info, alg_id, alg_oid,
        digest;
    if (!rc.Next(der::kOid, content_type) || der::OidText(content_type) != kIndirectData ||
        !rc.Next(der::ContextTag(0), explicit_content))
        return false;
    der::Reader re(explicit_content);
    if (!re.Next(der::kSequence, indirect)) return false;
    s.content = Bytes(indirect.data, indirect.size);
    der::Reader rind(indirect);
    if (!rind.Next(der::kSequence, attr) || !rind.Next(der::kSequence, digest_info)) return false;
    der::Reader rdi(digest_info);
    if (!rdi.Next(der::kSequence, alg_id) || !rdi.Next(der::kOctetString, digest)) return false;
    der::Reader ra(alg_id);
    if (!ra.Next(der::kOid, alg_oid)) return false;
    s.algorithm_oid = der::OidText(alg_oid);
    s.digest = Bytes(digest.data, digest.size);

    // The first signer: who signed, and what is nested in its unsigned attributes.
    der::Reader rs(signers);
    der::Element signer;
    std::vector<Signature> nested;
    if (rs.Next(der::kSequence, signer)) {
        der::Reader si(signer);
        der::Element si_version, issuer_serial, issuer, serial;
        if (si.Next(der::kInteger, si_version) && si.Next(der::kSequence, issuer_serial)) {
            der::Reader ris(issuer_serial);
            if (has_certs && ris.Next(der::kSequence, issuer) && ris.Next(der::kInteger, serial))
                s.signer = SignerSubject(certs, issuer, serial);
            der::Element skip, unsigned_attrs;
            si.Next(der::kSequence, skip);     // digest algorithm
            si.SkipIf(der::ContextTag(0));     // authenticated attributes
            si.Next(der::kSequence, skip);     // signature algorithm
            si.Next(der::kOctetString, skip);  // the signature
            if (si.Next(der::ContextTag(1), unsigned_attrs)) {
                der::Reader ru(unsigned_attrs);
                der::Element a;
                while (ru.Next(der::kSequence, a)) {
                    der::Reader ra2(a);
                    der::Element oid, values, value;
                    if (!ra2.Next(der::kOid, oid) || der::OidText(oid) != kNestedSignature ||
                        !ra2.Next(der::kSet, values))
                        continue;
                    der::Reader rv(values);
                    while (rv.Next(der::kSequence, value))
                        if (!ParseSignature(value.whole, value.whole_size, depth + 1, nested))
                            return false;
                }
            }
        }
    }
    out.push_back(std::move(s));
    for (Signature& n : nested) out.push_back(std::move(n));
    return true;
}

// Hashes [from, to) of the file into d.
bool HashRange(platform::FileStream& f, int64_t from, int64_t to, platform::Digest& d) {
    std::vector<char> buf(1 << 20);
    if (!f.Seek(from)) return false;
    while (from < to) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(to - from, buf.size()));
        if (!f.ReadExact(buf.data(), n)) return false;
        d.Update(buf.data(), n);
        from += static_cast<int64_t>(n);
    }
    return true;
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
    // The table's records: the PKCS#7 ones, each 8-aligned.
    std::vector<Signature> signatures;
    int64_t pos = image.table_offset;
    const int64_t end = image.table_offset + image.table_size;
    while (pos + 8 <= end) {
        uint8_t h[8];
        if (!whole.ReadAt(pos, h, sizeof h)) break;
        const int64_t len = le::Get32(h);
        const uint16_t type = le::Get16(h + 6);
        if (len < 8 || len > end - pos) break;
        if (type == kPkcsSignedData) {
            std::string blob(static_cast<size_t>(len - 8), '\0');
            if (!whole.ReadAt(pos + 8, &blob[0], blob.size()) ||
                !ParseSignature(reinterpret_cast<const uint8_t*>(blob.data()), blob.size(), 0,
                                signatures)) {
                info.problems.push_back("the signature is not a readable Authenticode signature");
                return true;
            }
        }
        pos += (len + 7) & ~int64_t{7};
    }
    info.count = static_cast<int>(signatures.size());
    if (signatures.empty()) {
        info.problems.push_back("the certificate table holds no Authenticode signature");
        return true;
    }
    const Algorithm* outer = FindAlgorithm(signatures[0].algorithm_oid);
    info.algorithm = outer != nullptr ? outer->name : signatures[0].algorithm_oid;
    info.signer = signatures[0].signer;

    // Each signature's digest, over the file without the checksum, the security entry and the
    // table itself.
    info.digest_ok = true;
    info.signature_ok = true;
    for (const Signature& s : signatures) {
        const Algorithm* a = FindAlgorithm(s.algorithm_oid);
        if (a == nullptr) {
            info.digest_ok = false;
            info.problems.push_back("the signature uses an unknown digest algorithm " +
                                    s.algorithm_oid);
            continue;
        }
        platform::Digest d(a->kind);
        const bool read = d.Ok() && HashRange(f, 0, image.checksum_pos, d) &&
                          HashRange(f, image.checksum_pos + 4, image.security_entry_pos, d) &&
                          HashRange(f, image.security_entry_pos + 8, image.table_offset, d);
        if (!read) {
            error = "cannot read " + platform::WideToUtf8(path) + " for its " + a->name + " digest";
            return false;
        }
        if (d.Final() != s.digest) {
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
