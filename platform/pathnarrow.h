#pragma once
// Handing a UTF-16 path to an interface that takes 8-bit paths in the system code page (the zip
// component, the extraction thread, the shell's 8-bit entry point).
//
// A path whose characters all exist in the code page is converted exactly. Otherwise Windows hands
// over the path's short (8.3) form, which the file system keeps in plain ASCII, provided that form
// is itself exact in the code page. A folder that does not exist yet has no short form: with
// kNarrowCreateFolder it is created first (and removed again when even then no 8-bit form exists).
// Where nothing works (a volume that keeps no short names; any other system, which has none) the
// result is a failure, never a path with '?' in place of the missing characters: such a path names
// another place or none.
#include "platform/types.h"

namespace platform {

enum class NarrowedAs {
    Failed,     // no 8-bit form names this path; out is left as it was
    Exact,      // the path itself, converted
    ShortName,  // the path's short form
};

// The path names a folder that may be created (with its missing parents) to get a short form.
constexpr unsigned kNarrowCreateFolder = 1;

NarrowedAs NarrowPath(const UString& path, AnsiString& out, unsigned flags = 0);

}  // namespace platform
