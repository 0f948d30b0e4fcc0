#pragma once
// A signed program's Authenticode signatures, as its certificate table holds them, and the file's
// own digest to hold against them. The installer's contents check and zmpack verify both read
// signatures and compute digests here, so the two cannot disagree.
//
// The digest covers the whole file before the certificate table except the two header fields
// signing rewrites: the 4-byte checksum and the 8-byte security entry (engine/signedimage.h finds
// all three). A signature names its digest algorithm; nested signatures (in the first signer's
// unsigned attributes) are signatures of the same file, each with its own algorithm.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/signedimage.h"
#include "engine/zipformat.h"
#include "platform/digest.h"

namespace authenticode {

struct Algorithm {
    const char* oid;
    const char* name;  // "sha256"
    platform::DigestKind kind;
};
// The digest algorithm with this object identifier; null for one this system does not know.
const Algorithm* FindAlgorithm(const std::string& oid);

// One signature as its DER says it.
struct Signature {
    std::string der;            // the whole ContentInfo
    std::string algorithm_oid;  // of the file's digest
    std::string digest;         // what the signer hashed the file to
    std::string content;        // the SpcIndirectDataContent's contents (what was signed)
    // For naming the first signer: the SignedData's certificates (the contents of [0], empty
    // when it has none) and the signer's issuer and serial number (their whole encodings).
    std::string certificates;
    std::string issuer;
    std::string serial;
};

enum class TableRead {
    Ok,           // at least one signature, all of them readable
    Unreadable,   // a PKCS#7 record that is no readable Authenticode signature (or nests too deep)
    NoSignature,  // no PKCS#7 record at all
};

// The signatures of the certificate table `image` names (image.has_table), outer ones before
// those nested in them. Every read is bounded by the file and by the table.
TableRead ReadSignatures(zipformat::ByteSource& file, const zipformat::SignedImage& image,
                         std::vector<Signature>& out);

// The file's digests of several kinds at once, from the file's bytes given as (file offset,
// bytes) pieces. The pieces come in file order and cover the file up to End() without a gap;
// the excluded fields and everything from End() on are skipped here, whatever the pieces hold.
class ImageDigest {
  public:
    // One digest per distinct kind in `kinds`.
    ImageDigest(const zipformat::SignedImage& image,
                const std::vector<platform::DigestKind>& kinds);
    ~ImageDigest();
    ImageDigest(const ImageDigest&) = delete;
    ImageDigest& operator=(const ImageDigest&) = delete;

    // False when the system provides one of the kinds not.
    bool Ok() const;
    // Where the hashed bytes end: the certificate table's offset.
    int64_t End() const { return end_; }
    void Update(int64_t offset, const void* data, size_t size);
    // True when the pieces so far covered the file up to End(), in order.
    bool Complete() const { return in_order_ && next_ == end_; }
    // The digest of this kind (one of those asked for), empty when it failed or was not asked
    // for. Computed once, on the first call; no Update after it.
    const std::string& Value(platform::DigestKind kind);
    // True when the pieces were complete and every signature's algorithm is known and its digest
    // is the file's.
    bool Matches(const std::vector<Signature>& signatures);

  private:
    struct Part;
    void Hash(const uint8_t* data, int64_t size);

    std::vector<std::unique_ptr<Part>> parts_;
    int64_t checksum_pos_, security_entry_pos_, end_;
    int64_t next_ = 0;
    bool in_order_ = true;
};

// Every distinct kind the known algorithms of `signatures` name; unknown ones are left out.
std::vector<platform::DigestKind> KindsOf(const std::vector<Signature>& signatures);

// Feeds the file's bytes up to digest.End() to digest, a megabyte at a time. False on a read
// error.
bool HashFile(zipformat::ByteSource& file, ImageDigest& digest);

}  // namespace authenticode
