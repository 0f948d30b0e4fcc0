#include <windows.h>

#include "platform/pathkind.h"
#include "platform/win32/wide.h"

namespace platform {

PathKind GetPathKind(const UString& path) {
    DWORD a = GetFileAttributesW(W(ExtendedPath(path)));
    if (a == INVALID_FILE_ATTRIBUTES) return PathKind::None;
    return (a & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Folder : PathKind::File;
}

}  // namespace platform
