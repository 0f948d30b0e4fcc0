#include "engine/outputfile.h"

#include <atomic>

#include "platform/codepage.h"
#include "platform/fileinfo.h"

namespace engine {
namespace {

UString Hex(uint32_t v) {
    static const char16_t digits[] = u"0123456789abcdef";
    UString s;
    do {
        s.insert(s.begin(), digits[v & 15]);
        v >>= 4;
    } while (v != 0);
    return s;
}

}  // namespace

bool OutputFile::CreateAt(const UString& final_path) {
    Discard();
    if (!file_.Open(final_path, platform::FileStream::Mode::CreateNew)) {
        last_error_ = file_.LastError();
        return false;
    }
    path_ = final_path;
    direct_ = true;
    return true;
}

bool OutputFile::Create(const UString& folder) {
    Discard();
    static std::atomic<uint32_t> counter{0};
    // A short name that no extracted entry could be refused for; CreateNew never takes over an
    // existing file, so a clash only costs another try.
    for (int attempt = 0; attempt < 100; ++attempt) {
        UString path = folder + u"~zm" + Hex(counter.fetch_add(1)) + u".tmp";
        if (file_.Open(path, platform::FileStream::Mode::CreateNew)) {
            path_ = path;
            direct_ = false;
            return true;
        }
        last_error_ = file_.LastError();
        if (!platform::FileExists(path)) return false;
    }
    return false;
}

bool OutputFile::Write(const void* data, size_t n) {
    if (file_.Write(data, n)) return true;
    last_error_ = file_.LastError();
    return false;
}

bool OutputFile::Close(int64_t mod_time) {
    // Set before the file is closed (and, when it has a temporary name, before it is moved), so
    // that it appears under its name complete; a failure here loses only the time.
    file_.SetModTime(mod_time);
    if (file_.Close()) return true;
    last_error_ = file_.LastError();
    return false;
}

bool OutputFile::Commit(const UString& final_path, bool read_only, bool may_exist) {
    if (path_.empty() || file_.IsOpen()) return false;
    if (!direct_) {
        // A read-only file in the way would refuse to be replaced on Windows.
        if (may_exist && platform::FileExists(final_path)) platform::ClearFileReadOnly(final_path);
        if (!platform::RenameFile(path_, final_path)) {
            last_error_ = platform::LastOsError();
            return false;
        }
    }
    path_.clear();
    if (read_only) platform::SetFileReadOnly(final_path);
    return true;
}

void OutputFile::Discard() {
    file_.Close();
    if (!path_.empty()) {
        platform::RemoveFile(path_);
        path_.clear();
    }
}

}  // namespace engine
