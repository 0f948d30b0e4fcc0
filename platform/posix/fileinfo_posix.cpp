#include <sys/stat.h>

#include <ctime>

#include "platform/codepage.h"
#include "platform/fileinfo.h"

namespace platform {

bool GetFileModTime(const UString& path, int64_t& unix_time) {
    struct stat st;
    if (stat(WideToUtf8(path).c_str(), &st) != 0) return false;
    unix_time = static_cast<int64_t>(st.st_mtime);
    return true;
}

bool ClearFileReadOnly(const UString& path) {
    std::string p = WideToUtf8(path);
    struct stat st;
    if (stat(p.c_str(), &st) != 0) return false;
    return chmod(p.c_str(), (st.st_mode & 07777) | S_IWUSR) == 0;
}

bool GetLongName(const UString& path, UString& long_name) {
    struct stat st;
    if (lstat(WideToUtf8(path).c_str(), &st) != 0) return false;
    size_t end = path.size();
    while (end > 1 && path[end - 1] == u'/') --end;
    const size_t start = path.rfind(u'/', end - 1);
    long_name = path.substr(start == UString::npos ? 0 : start + 1,
                            end - (start == UString::npos ? 0 : start + 1));
    return true;
}

bool GetShortName(const UString& path, UString& short_name) {
    return GetLongName(path, short_name);
}

bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second,
                     int64_t& unix_time) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    time_t r = mktime(&t);
    if (r == static_cast<time_t>(-1)) return false;
    unix_time = static_cast<int64_t>(r);
    return true;
}

}  // namespace platform
