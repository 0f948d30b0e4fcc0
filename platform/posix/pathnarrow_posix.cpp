#include "platform/codepage.h"
#include "platform/pathnarrow.h"

namespace platform {

// No short names here: the exact form or nothing.
NarrowedAs NarrowPath(const UString& path, AnsiString& out, unsigned flags) {
    (void)flags;
    return WideToAnsiExact(path, out) ? NarrowedAs::Exact : NarrowedAs::Failed;
}

}  // namespace platform
