#include "platform/dirlist.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

// FILETIME counts 100 ns steps from 1601-01-01.
int64_t UnixTime(const FILETIME& ft) {
    uint64_t t = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<int64_t>(t / 10000000ULL) - 11644473600LL;
}

void FillFromFindData(const WIN32_FIND_DATAW& fd, PathInfo& out) {
    out.name = U(fd.cFileName);
    out.is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.is_link = (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    out.read_only = (fd.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    out.size = out.is_dir ? 0
                          : static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) |
                                                 fd.nFileSizeLow);
    out.mod_time = UnixTime(fd.ftLastWriteTime);
}

UString Trimmed(const UString& path) {
    UString p = path;
    while (p.size() > 1 && (p.back() == u'\\' || p.back() == u'/') &&
           !(p.size() == 3 && p[1] == u':'))
        p.pop_back();
    return p;
}

}  // namespace

bool GetPathInfo(const UString& path, PathInfo& out) {
    UString p = Trimmed(path);
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(W(ExtendedPath(p)), GetFileExInfoStandard, &a)) return false;
    out = PathInfo();
    size_t cut = p.find_last_of(u"\\/");
    out.name = cut == UString::npos ? p : p.substr(cut + 1);
    out.is_dir = (a.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out.is_link = (a.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    out.read_only = (a.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    out.size =
        out.is_dir
            ? 0
            : static_cast<int64_t>((static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow);
    out.mod_time = UnixTime(a.ftLastWriteTime);
    return true;
}

bool ListDirectory(const UString& path, std::vector<PathInfo>& out) {
    UString pattern = Trimmed(path);
    if (pattern.empty() || (pattern.back() != u'\\' && pattern.back() != u'/')) pattern += u'\\';
    pattern += u'*';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileExW(W(ExtendedPath(pattern)), FindExInfoBasic, &fd,
                                FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    out.clear();
    do {
        UString name = U(fd.cFileName);
        if (name == u"." || name == u"..") continue;
        PathInfo info;
        FillFromFindData(fd, info);
        out.push_back(std::move(info));
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return true;
}

}  // namespace platform
