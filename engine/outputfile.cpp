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

bool OutputFile::Create(const UString& folder) {
    Discard();
    static std::atomic<uint32_t> counter{0};
    // A short name that no extracted entry could be refused for; CreateNew never takes over an
    // existing file, so a clash only costs another try.
    for (int attempt = 0; attempt < 100; ++attempt) {
        UString path = folder + u"~zm" + Hex(counter.fetch_add(1)) + u".tmp";
        if (file_.Open(path, platform::FileStream::Mode::CreateNew)) {
            temp_path_ = path;
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

bool OutputFile::Close() {
    if (file_.Close()) return true;
    last_error_ = file_.LastError();
    return false;
}

bool OutputFile::Commit(const UString& final_path, int64_t mod_time, bool read_only,
                        bool may_exist) {
    if (temp_path_.empty() || file_.IsOpen()) return false;
    // Times are set before the move so that the file appears under its name complete.
    platform::SetFileModTime(temp_path_, mod_time);
    // A read-only file in the way would refuse to be replaced on Windows.
    if (may_exist && platform::FileExists(final_path)) platform::ClearFileReadOnly(final_path);
    if (!platform::RenameFile(temp_path_, final_path)) {
        last_error_ = platform::LastOsError();
        return false;
    }
    temp_path_.clear();
    if (read_only) platform::SetFileReadOnly(final_path);
    return true;
}

void OutputFile::Discard() {
    file_.Close();
    if (!temp_path_.empty()) {
        platform::RemoveFile(temp_path_);
        temp_path_.clear();
    }
}

}  // namespace engine
