#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pathnarrow.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

UString WithoutTrailingDelimiters(UString p) {
    while (p.size() > 3 && IsPathDelimiter(p.back())) p.pop_back();
    return p;
}

// The outermost folder of path that does not exist yet (path itself when only it is missing).
UString OutermostMissing(const UString& path) {
    UString missing = WithoutTrailingDelimiters(path);
    for (;;) {
        const size_t cut = missing.find_last_of(u"\\/");
        if (cut == UString::npos || cut == 0) return missing;
        const UString parent = missing.substr(0, cut);
        if (parent.size() <= 2 || DirectoryExists(parent)) return missing;
        missing = parent;
    }
}

// Removes the (empty) folders from path up to and including top, deepest first.
void RemoveCreated(const UString& path, const UString& top) {
    UString p = WithoutTrailingDelimiters(path);
    while (p.size() >= top.size()) {
        if (!RemoveDir(p)) return;
        const size_t cut = p.find_last_of(u"\\/");
        if (cut == UString::npos) return;
        p.resize(cut);
    }
}

// GetShortPathNameW, for long paths too: those go in (and come back) in their \\?\ form, which
// the caller never sees.
bool ShortForm(const UString& path, UString& out) {
    const UString ext = ExtendedPath(path);
    DWORD n = GetShortPathNameW(W(ext), nullptr, 0);
    if (n == 0) return false;
    std::wstring buf(n, L'\0');
    const DWORD m = GetShortPathNameW(W(ext), &buf[0], n);
    if (m == 0 || m >= n) return false;
    UString r = U(buf.c_str(), m);
    if (ext != path) {
        if (r.rfind(u"\\\\?\\UNC\\", 0) == 0) {
            r = u"\\\\" + r.substr(8);
        } else if (r.rfind(u"\\\\?\\", 0) == 0) {
            r = r.substr(4);
        }
    }
    out = r;
    return true;
}

}  // namespace

NarrowedAs NarrowPath(const UString& path, AnsiString& out, unsigned flags) {
    AnsiString narrow;
    if (WideToAnsiExact(path, narrow)) {
        out = narrow;
        return NarrowedAs::Exact;
    }
    UString created;  // the outermost folder made here
    if ((flags & kNarrowCreateFolder) != 0 && !DirectoryExists(path)) {
        const UString top = OutermostMissing(path);
        if (!ForceDirectories(path)) {
            RemoveCreated(path, top);
            return NarrowedAs::Failed;
        }
        created = top;
    }
    UString short_form;
    if (ShortForm(path, short_form) && WideToAnsiExact(short_form, narrow)) {
        out = narrow;
        return NarrowedAs::ShortName;
    }
    if (!created.empty()) RemoveCreated(path, created);
    return NarrowedAs::Failed;
}

}  // namespace platform
