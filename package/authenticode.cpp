#include "package/authenticode.h"

#include <algorithm>

#include "common/littleendian.h"
#include "package/der.h"

namespace authenticode {
namespace {

constexpr const char* kSignedData = "1.2.840.113549.1.7.2";
constexpr const char* kIndirectData = "1.3.6.1.4.1.311.2.1.4";
constexpr const char* kNestedSignature = "1.3.6.1.4.1.311.2.4.1";
constexpr int kMaxNesting = 8;
constexpr uint16_t kPkcsSignedData = 2;

constexpr Algorithm kAlgorithms[] = {
    {"1.2.840.113549.2.5", "md5", platform::DigestKind::Md5},
    {"1.3.14.3.2.26", "sha1", platform::DigestKind::Sha1},
    {"2.16.840.1.101.3.4.2.1", "sha256", platform::DigestKind::Sha256},
    {"2.16.840.1.101.3.4.2.2", "sha384", platform::DigestKind::Sha384},
    {"2.16.840.1.101.3.4.2.3", "sha512", platform::DigestKind::Sha512},
};

std::string Bytes(const uint8_t* p, size_t n) {
    return std::string(reinterpret_cast<const char*>(p), n);
}
std::string Whole(const der::Element& e) { return Bytes(e.whole, e.whole_size); }

// Reads a ContentInfo holding SignedData, and the signatures nested in its first signer's
// unsigned attributes, into out. False when it is not one.
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
    s.der = Whole(info);
    if (has_certs) s.certificates = Bytes(certs.data, certs.size);
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
            if (ris.Next(der::kSequence, issuer) && ris.Next(der::kInteger, serial)) {
                s.issuer = Whole(issuer);
                s.serial = Whole(serial);
            }
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

}  // namespace

const Algorithm* FindAlgorithm(const std::string& oid) {
    for (const Algorithm& a : kAlgorithms)
        if (oid == a.oid) return &a;
    return nullptr;
}

TableRead ReadSignatures(zipformat::ByteSource& file, const zipformat::SignedImage& image,
                         std::vector<Signature>& out) {
    out.clear();
    // The table's records: the PKCS#7 ones, each 8-aligned.
    int64_t pos = image.table_offset;
    const int64_t end = std::min(image.table_offset + image.table_size, file.Size());
    while (pos >= 0 && pos + 8 <= end) {
        uint8_t h[8];
        if (!file.ReadAt(pos, h, sizeof h)) break;
        const int64_t len = le::Get32(h);
        const uint16_t type = le::Get16(h + 6);
        if (len < 8 || len > end - pos) break;
        if (type == kPkcsSignedData) {
            std::string blob(static_cast<size_t>(len - 8), '\0');
            if (!file.ReadAt(pos + 8, &blob[0], blob.size()) ||
                !ParseSignature(reinterpret_cast<const uint8_t*>(blob.data()), blob.size(), 0, out))
                return TableRead::Unreadable;
        }
        pos += (len + 7) & ~int64_t{7};
    }
    return out.empty() ? TableRead::NoSignature : TableRead::Ok;
}

struct ImageDigest::Part {
    platform::DigestKind kind;
    platform::Digest digest;
    bool done = false;
    std::string value;
    explicit Part(platform::DigestKind k) : kind(k), digest(k) {}
};

ImageDigest::ImageDigest(const zipformat::SignedImage& image,
                         const std::vector<platform::DigestKind>& kinds)
    : checksum_pos_(image.checksum_pos),
      security_entry_pos_(image.security_entry_pos),
      end_(image.table_offset) {
    for (platform::DigestKind k : kinds) {
        const bool seen = std::any_of(parts_.begin(), parts_.end(),
                                      [k](const std::unique_ptr<Part>& p) { return p->kind == k; });
        if (!seen) parts_.push_back(std::make_unique<Part>(k));
    }
}

ImageDigest::~ImageDigest() = default;

bool ImageDigest::Ok() const {
    return std::all_of(parts_.begin(), parts_.end(),
                       [](const std::unique_ptr<Part>& p) { return p->digest.Ok(); });
}

void ImageDigest::Hash(const uint8_t* data, int64_t size) {
    if (size <= 0) return;
    for (auto& p : parts_) p->digest.Update(data, static_cast<size_t>(size));
}

void ImageDigest::Update(int64_t offset, const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    const int64_t end = std::min(offset + static_cast<int64_t>(size), end_);
    if (offset >= end) return;  // nothing here is hashed
    if (offset != next_) {
        in_order_ = false;
        return;
    }
    // The two fields, in file order (the checksum comes first in every optional header).
    const int64_t skips[2][2] = {{checksum_pos_, checksum_pos_ + 4},
                                 {security_entry_pos_, security_entry_pos_ + 8}};
    int64_t pos = offset;
    for (const auto& skip : skips) {
        if (skip[1] <= pos || skip[0] >= end) continue;
        if (skip[0] > pos) Hash(bytes + (pos - offset), skip[0] - pos);
        pos = std::min(skip[1], end);
    }
    Hash(bytes + (pos - offset), end - pos);
    next_ = end;
}

const std::string& ImageDigest::Value(platform::DigestKind kind) {
    static const std::string none;
    for (auto& p : parts_) {
        if (p->kind != kind) continue;
        if (!p->done) {
            p->value = p->digest.Final();
            p->done = true;
        }
        return p->value;
    }
    return none;
}

bool ImageDigest::Matches(const std::vector<Signature>& signatures) {
    if (!Complete() || signatures.empty()) return false;
    for (const Signature& s : signatures) {
        const Algorithm* a = FindAlgorithm(s.algorithm_oid);
        if (a == nullptr) return false;
        const std::string& value = Value(a->kind);
        if (value.empty() || value != s.digest) return false;
    }
    return true;
}

std::vector<platform::DigestKind> KindsOf(const std::vector<Signature>& signatures) {
    std::vector<platform::DigestKind> kinds;
    for (const Signature& s : signatures) {
        const Algorithm* a = FindAlgorithm(s.algorithm_oid);
        if (a != nullptr && std::find(kinds.begin(), kinds.end(), a->kind) == kinds.end())
            kinds.push_back(a->kind);
    }
    return kinds;
}

bool HashFile(zipformat::ByteSource& file, ImageDigest& digest) {
    std::vector<uint8_t> buf(1 << 20);
    for (int64_t pos = 0; pos < digest.End();) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(digest.End() - pos, buf.size()));
        if (!file.ReadAt(pos, buf.data(), n)) return false;
        digest.Update(pos, buf.data(), n);
        pos += static_cast<int64_t>(n);
    }
    return true;
}

}  // namespace authenticode
