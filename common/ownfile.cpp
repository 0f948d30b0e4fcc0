#include "common/ownfile.h"

#include "platform/files.h"
#include "platform/pathparts.h"
#include "platform/process.h"

UString GetExeName() { return platform::GetExeName(); }

UString GetAppFolder() { return IncludeTrailingBackslash(platform::FolderPart(GetExeName())); }

UString IncludeTrailingBackslash(const UString& path) {
    if (!path.empty() && platform::IsPathDelimiter(path.back())) return path;
    return path + platform::PathDelimiter();
}

UString SystemPathName(const UString& stored) {
    UString name = stored;
    const char16_t delimiter = platform::PathDelimiter();
    for (char16_t& c : name)
        if (c == u'/') c = delimiter;
    return name;
}
