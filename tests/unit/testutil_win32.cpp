#include <windows.h>

#include "tests/unit/testutil.h"

namespace testutil {

void RemoveTree(const UString& path) {
    UString dir = path;
    while (!dir.empty() && (dir.back() == u'\\' || dir.back() == u'/')) dir.pop_back();
    if (dir.empty()) return;
    // Trees deeper than the classic limit are only reachable in the \\?\ form.
    if (dir.size() >= 240 && dir.rfind(u"\\\\?\\", 0) != 0) dir = u"\\\\?\\" + dir;
    UString pattern = dir + u"\\*";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(reinterpret_cast<const wchar_t*>(pattern.c_str()), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            UString name(reinterpret_cast<const char16_t*>(fd.cFileName));
            if (name == u"." || name == u"..") continue;
            UString full = dir + u"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                SetFileAttributesW(reinterpret_cast<const wchar_t*>(full.c_str()),
                                   FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(reinterpret_cast<const wchar_t*>(full.c_str()));
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(reinterpret_cast<const wchar_t*>(dir.c_str()));
}

}  // namespace testutil
