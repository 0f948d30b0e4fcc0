#include "platform/fileinfo.h"
#include "platform/win32/wide.h"

namespace platform {
namespace {

constexpr int64_t kEpochDiff = 116444736000000000LL;  // 1601-01-01 to 1970-01-01 in 100 ns

}  // namespace

bool GetFileModTime(const UString& path, int64_t& unix_time) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(W(ExtendedPath(path)), GetFileExInfoStandard, &d)) return false;
    int64_t t = (static_cast<int64_t>(d.ftLastWriteTime.dwHighDateTime) << 32) |
                d.ftLastWriteTime.dwLowDateTime;
    unix_time = (t - kEpochDiff) / 10000000LL;
    return true;
}

bool ClearFileReadOnly(const UString& path) {
    UString p = ExtendedPath(path);
    DWORD a = GetFileAttributesW(W(p));
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    if ((a & FILE_ATTRIBUTE_READONLY) == 0) return true;
    return SetFileAttributesW(W(p), a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) != 0;
}

namespace {

// The last component of what GetLongPathNameW or GetShortPathNameW makes of the path.
bool ConvertedName(DWORD(WINAPI* convert)(LPCWSTR, LPWSTR, DWORD), const UString& path,
                   UString& name) {
    const UString p = ExtendedPath(path);
    const DWORD n = convert(W(p), nullptr, 0);
    if (n == 0) return false;
    UString full(n, u'\0');
    const DWORD m = convert(W(p), reinterpret_cast<wchar_t*>(&full[0]), n);
    if (m == 0 || m >= n) return false;
    full.resize(m);
    while (full.size() > 1 && (full.back() == u'\\' || full.back() == u'/')) full.pop_back();
    const size_t cut = full.find_last_of(u"\\/");
    name = cut == UString::npos ? full : full.substr(cut + 1);
    return true;
}

}  // namespace

bool GetLongName(const UString& path, UString& long_name) {
    return ConvertedName(GetLongPathNameW, path, long_name);
}

bool GetShortName(const UString& path, UString& short_name) {
    return ConvertedName(GetShortPathNameW, path, short_name);
}

bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second,
                     int64_t& unix_time) {
    SYSTEMTIME local = {};
    local.wYear = static_cast<WORD>(year);
    local.wMonth = static_cast<WORD>(month);
    local.wDay = static_cast<WORD>(day);
    local.wHour = static_cast<WORD>(hour);
    local.wMinute = static_cast<WORD>(minute);
    local.wSecond = static_cast<WORD>(second);
    SYSTEMTIME utc;
    FILETIME ft;
    if (!TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc)) return false;
    if (!SystemTimeToFileTime(&utc, &ft)) return false;
    int64_t t = (static_cast<int64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    unix_time = (t - kEpochDiff) / 10000000LL;
    return true;
}

}  // namespace platform
