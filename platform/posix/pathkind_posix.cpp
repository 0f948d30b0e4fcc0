#include <sys/stat.h>

#include "platform/codepage.h"
#include "platform/pathkind.h"

namespace platform {

PathKind GetPathKind(const UString& path) {
    struct stat st;
    if (stat(WideToUtf8(path).c_str(), &st) != 0) return PathKind::None;
    return S_ISDIR(st.st_mode) ? PathKind::Folder : PathKind::File;
}

}  // namespace platform
