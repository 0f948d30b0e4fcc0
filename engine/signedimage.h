#pragma once
// Where the archive ends in a signed program. Signing a PE image (Authenticode) appends a
// certificate table at the end of the file, after zero bytes that align it to 8, and points the
// security entry of the optional header's data directory (file offset and size) at it. Nothing
// else moves, so an archive that closed the file before signing closes the bytes before the
// padding afterwards.
//
// Removing the signature again clears the security entry and drops the table, but keeps the
// padding: the file then ends in up to 7 zero bytes after the archive.
//
// The rule, the only place it is written: when the file is a PE image whose security entry
// names a well-formed certificate table that ends exactly at the end of the file, and an end of
// central directory record closes the bytes before the table (after at most 7 zero bytes of
// padding), the archive ends there. When the file is a PE image whose security entry is empty
// (offset and size 0) and no end record closes the file, but one closes it before at most 7 zero
// bytes, the archive ends there: the padding a removed signature left. In every other case (no
// PE image, a table that stops short of the end or overlaps the archive, a malformed table, any
// other bytes after the archive) the archive's bytes run to the end of the file as they always
// did. Every read is bounded by the file.
#include <cstdint>

#include "engine/zipformat.h"

namespace zipformat {

struct SignedImage {
    int64_t file_size = 0;
    // What the security entry names (0, 0 when nothing or no PE image), and whether that is a
    // well-formed certificate table that closes the file: a signed image, with or without an
    // archive.
    int64_t table_offset = 0;
    int64_t table_size = 0;
    bool has_table = false;
    // Where the archive's bytes end: before the padding when an end record closes them there,
    // else the file's size.
    int64_t archive_end = 0;
    // Positions of the two header fields signing rewrites (checksum, security entry); 0 when the
    // file is no PE image. The Authenticode digest skips them.
    int64_t checksum_pos = 0;
    int64_t security_entry_pos = 0;
};

// Reads the headers of the whole file behind `file` (its Size() is the file's size).
SignedImage FindSignedImage(ByteSource& file);

}  // namespace zipformat
