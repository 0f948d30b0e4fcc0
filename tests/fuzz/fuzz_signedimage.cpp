// Where the archive ends in a signed program, from memory: the PE headers, the security entry, the
// certificate table and the end record before it; the table's signatures (DER nested to any
// depth, lengths past the end) and the file's digest of the kinds they name. When the archive ends
// before the table, its directory is walked in the bytes up to there, as setup reads itself.
#include <cstdlib>
#include <vector>

#include "engine/signedimage.h"
#include "engine/zipformat.h"
#include "package/authenticode.h"
#include "tests/fuzz/fuzz_common.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > zmfuzz::kLargeCap) return 0;
    zipformat::MemorySource whole(data, size);
    const zipformat::SignedImage image = zipformat::FindSignedImage(whole);
    const int64_t n = static_cast<int64_t>(size);
    Check(image.file_size == n);
    Check(image.archive_end >= 0 && image.archive_end <= n);
    // The header fields signing rewrites lie inside the file.
    Check(image.checksum_pos == 0 || (image.checksum_pos > 0 && image.checksum_pos + 4 <= n));
    Check(image.security_entry_pos == 0 ||
          (image.security_entry_pos > image.checksum_pos && image.security_entry_pos + 8 <= n));
    if (image.has_table) {
        Check(image.table_size >= 8 && image.table_offset + image.table_size == n);
        Check(image.archive_end == n || image.archive_end <= image.table_offset);
        std::vector<authenticode::Signature> signatures;
        if (authenticode::ReadSignatures(whole, image, signatures) == authenticode::TableRead::Ok) {
            Check(!signatures.empty());
            authenticode::ImageDigest digest(image, authenticode::KindsOf(signatures));
            Check(authenticode::HashFile(whole, digest) && digest.Complete());
            digest.Matches(signatures);
        }
    }
    if (image.archive_end == n) return 0;
    // Only a table closing the file moves the archive's end, and only past zero padding.
    Check(image.has_table && image.table_offset - image.archive_end <= 7);
    for (int64_t i = image.archive_end; i < image.table_offset; ++i) Check(data[i] == 0);

    zipformat::MemorySource archive(data, static_cast<size_t>(image.archive_end));
    zipformat::ZipDirectory dir;
    if (!dir.Open(&archive)) return 0;
    Check(dir.End().end_record_pos + 22 + static_cast<int64_t>(dir.End().comment.size()) ==
          image.archive_end);
    zipformat::ZipEntry entry;
    while (dir.Next(entry)) {
        int64_t pos = 0;
        std::string why;
        if (dir.LocateData(entry, pos, why) == 0) Check(pos <= image.archive_end);
    }
    return 0;
}
