#include "platform/pathparts.h"

#include "platform/files.h"

namespace platform {

size_t NameStart(const UString& path) {
    size_t k = path.size();
    while (k > 0 && !IsPathDelimiter(path[k - 1])) --k;
    return k;
}

UString FolderPart(const UString& path) { return path.substr(0, NameStart(path)); }

UString NamePart(const UString& path) { return path.substr(NameStart(path)); }

UString TitlePart(const UString& path) {
    const UString name = NamePart(path);
    const size_t dot = name.rfind(u'.');
    return dot == UString::npos ? name : name.substr(0, dot);
}

UString ExtensionPart(const UString& path) {
    const UString name = NamePart(path);
    const size_t dot = name.rfind(u'.');
    return dot == UString::npos ? UString() : name.substr(dot);
}

UString WithTrailingDelimiter(const UString& path) {
    if (path.empty() || IsPathDelimiter(path.back())) return path;
    return path + PathDelimiter();
}

}  // namespace platform
