#include "tools/zmpack/zipsources.h"

#include <set>

#include "platform/pathparts.h"
#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/files.h"

namespace zmpack {
namespace {

class TSourceCollector {
  public:
    TSourceCollector(std::vector<ZipSource>& out, std::vector<std::string>& notes)
        : out_(out), notes_(notes) {}

    bool AddFolder(const UString& folder, const std::string& prefix, int depth) {
        if (depth > 256) return Fail("folders nested too deeply at " + Utf8(folder));
        std::vector<platform::PathInfo> items;
        if (!platform::ListDirectory(folder, items))
            return Fail("cannot read folder " + Utf8(folder) + ": " + LastOsText());
        for (const platform::PathInfo& item : items) {
            UString path = Join(folder, item.name);
            std::string name = prefix + platform::WideToUtf8(item.name);
            if (item.is_link && item.is_dir) {
                notes_.push_back("left out folder link " + Utf8(path));
            } else if (item.is_dir) {
                if (!AddEntry(path, name + "/", item)) return false;
                if (!AddFolder(path, name + "/", depth + 1)) return false;
            } else if (item.is_other) {
                notes_.push_back("left out " + Utf8(path) + " (not a file or folder)");
            } else if (!AddEntry(path, name, item)) {
                return false;
            }
        }
        return true;
    }

    bool AddSource(const UString& source) {
        platform::PathInfo info;
        if (!platform::GetPathInfo(source, info))
            return Fail("no such file or folder: " + Utf8(source));
        if (info.is_dir) return AddFolder(source, std::string(), 0);
        if (info.is_other) return Fail("not a file or folder: " + Utf8(source));
        return AddEntry(source, platform::WideToUtf8(info.name), info);
    }

    const std::string& Error() const { return error_; }

  private:
    bool AddEntry(const UString& path, const std::string& name, const platform::PathInfo& info) {
        if (!names_.insert(name).second) {
            if (info.is_dir) return true;  // the same folder from two sources: one entry
            return Fail("two files would be stored as " + name + " (the second is " + Utf8(path) +
                        ")");
        }
        ZipSource s;
        s.name = name;
        s.is_dir = info.is_dir;
        s.path = info.is_dir ? UString() : path;
        s.read_only = info.read_only;
        s.size = info.is_dir ? 0 : info.size;
        s.mod_time = info.mod_time;
        out_.push_back(std::move(s));
        return true;
    }

    static UString Join(const UString& folder, const UString& name) {
        return platform::WithTrailingDelimiter(folder) + name;
    }
    static std::string Utf8(const UString& s) { return platform::WideToUtf8(s); }
    static std::string LastOsText() {
        return platform::WideToUtf8(platform::OsErrorText(platform::LastOsError()));
    }
    bool Fail(const std::string& message) {
        error_ = message;
        return false;
    }

    std::vector<ZipSource>& out_;
    std::vector<std::string>& notes_;
    std::set<std::string> names_;
    std::string error_;
};

}  // namespace

bool CollectZipSources(const std::vector<UString>& sources, std::vector<ZipSource>& out,
                       std::vector<std::string>& notes, std::string& error) {
    out.clear();
    TSourceCollector collector(out, notes);
    for (const UString& source : sources) {
        if (!collector.AddSource(source)) {
            error = collector.Error();
            return false;
        }
    }
    return true;
}

}  // namespace zmpack
