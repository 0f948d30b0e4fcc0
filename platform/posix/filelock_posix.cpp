#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/codepage.h"
#include "platform/filelock.h"

namespace platform {

bool LockedFile::Open(const UString& path) {
    Close();
    int fd = ::open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    handle_ = fd;
    return true;
}

bool LockedFile::ReadAll(std::string& out, size_t max_size) {
    out.clear();
    if (handle_ == -1) return false;
    int fd = static_cast<int>(handle_);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > max_size)
        return false;
    if (lseek(fd, 0, SEEK_SET) != 0) return false;
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof(buf));
        if (n < 0) return false;
        if (n == 0) break;
        if (out.size() + static_cast<size_t>(n) > max_size) return false;
        out.append(buf, static_cast<size_t>(n));
    }
    return true;
}

void LockedFile::Close() {
    if (handle_ != -1) {
        ::close(static_cast<int>(handle_));
        handle_ = -1;
    }
}

}  // namespace platform
