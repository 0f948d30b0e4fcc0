#include <dirent.h>
#include <sys/stat.h>

#include <memory>

#include "platform/codepage.h"
#include "platform/dirlist.h"

namespace platform {
namespace {

void FillFromStat(const struct stat& st, PathInfo& out) {
    out.is_dir = S_ISDIR(st.st_mode);
    out.is_other = !out.is_dir && !S_ISREG(st.st_mode);
    out.read_only = (st.st_mode & S_IWUSR) == 0;
    out.size = out.is_dir ? 0 : static_cast<int64_t>(st.st_size);
    out.mod_time = static_cast<int64_t>(st.st_mtime);
}

UString LastComponent(const UString& path) {
    UString p = path;
    while (p.size() > 1 && p.back() == u'/') p.pop_back();
    size_t cut = p.find_last_of(u'/');
    return cut == UString::npos ? p : p.substr(cut + 1);
}

}  // namespace

bool GetPathInfo(const UString& path, PathInfo& out) {
    std::string p = WideToUtf8(path);
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) return false;
    out = PathInfo();
    out.name = LastComponent(path);
    out.is_link = S_ISLNK(st.st_mode);
    if (out.is_link && stat(p.c_str(), &st) != 0) return false;
    FillFromStat(st, out);
    return true;
}

bool ListDirectory(const UString& path, std::vector<PathInfo>& out) {
    std::string dir = WideToUtf8(path);
    std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
    if (!d) return false;
    if (dir.empty() || dir.back() != '/') dir += '/';
    out.clear();
    while (struct dirent* e = readdir(d.get())) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        PathInfo info;
        info.name = Utf8ToWide(name);
        std::string full = dir + name;
        struct stat st;
        if (lstat(full.c_str(), &st) != 0) continue;  // vanished meanwhile
        info.is_link = S_ISLNK(st.st_mode);
        if (!info.is_link || stat(full.c_str(), &st) == 0) {
            FillFromStat(st, info);
        } else {
            info.is_other = true;
        }
        out.push_back(std::move(info));
    }
    return true;
}

}  // namespace platform
