#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/codepage.h"
#include "platform/files.h"

namespace platform {
namespace {

std::string Native(const UString& path) { return WideToUtf8(path); }

}  // namespace

char16_t PathDelimiter() { return u'/'; }
bool IsPathDelimiter(char16_t c) { return c == u'/'; }

FileStream::~FileStream() { Close(); }

bool FileStream::Open(const UString& path, Mode mode) {
    Close();
    int flags = O_CLOEXEC;
    switch (mode) {
        case Mode::ReadShared:
            flags |= O_RDONLY;
            break;
        case Mode::CreateAlways:
            flags |= O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case Mode::CreateNew:
            flags |= O_WRONLY | O_CREAT | O_EXCL;
            break;
        case Mode::ReadWrite:
            flags |= O_RDWR;
            break;
    }
    int fd = ::open(Native(path).c_str(), flags, 0644);
    if (fd < 0) {
        last_error_ = static_cast<uint32_t>(errno);
        return false;
    }
    if (mode == Mode::ReadShared) {
        struct stat st;
        if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            last_error_ = EISDIR;
            return false;
        }
    }
    handle_ = fd;
    return true;
}

bool FileStream::IsOpen() const { return handle_ >= 0; }

bool FileStream::Close() {
    if (handle_ < 0) return true;
    int r = ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (r != 0) {
        last_error_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

int64_t FileStream::Size() const {
    struct stat st;
    if (handle_ < 0 || fstat(static_cast<int>(handle_), &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool FileStream::Seek(int64_t position) {
    if (handle_ < 0 || position < 0) return false;
    if (lseek(static_cast<int>(handle_), static_cast<off_t>(position), SEEK_SET) < 0) {
        last_error_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

int64_t FileStream::Position() const {
    if (handle_ < 0) return -1;
    return static_cast<int64_t>(lseek(static_cast<int>(handle_), 0, SEEK_CUR));
}

size_t FileStream::Read(void* buffer, size_t n) {
    if (handle_ < 0) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        ssize_t r = ::read(static_cast<int>(handle_), p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            last_error_ = static_cast<uint32_t>(errno);
            break;
        }
        if (r == 0) break;
        done += static_cast<size_t>(r);
    }
    return done;
}

bool FileStream::ReadExact(void* buffer, size_t n) { return Read(buffer, n) == n; }

bool FileStream::Write(const void* buffer, size_t n) {
    if (handle_ < 0) return false;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < n) {
        ssize_t r = ::write(static_cast<int>(handle_), p + done, n - done);
        if (r < 0) {
            if (errno == EINTR) continue;
            last_error_ = static_cast<uint32_t>(errno);
            return false;
        }
        done += static_cast<size_t>(r);
    }
    return true;
}

bool FileStream::Truncate(int64_t size) {
    if (handle_ < 0 || ftruncate(static_cast<int>(handle_), static_cast<off_t>(size)) != 0) {
        last_error_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

bool FileStream::Flush() { return handle_ >= 0; }

bool FileStream::SetModTime(int64_t unix_time) {
    struct timespec ts[2];
    ts[0].tv_sec = static_cast<time_t>(unix_time);
    ts[0].tv_nsec = 0;
    ts[1] = ts[0];
    if (handle_ < 0 || futimens(static_cast<int>(handle_), ts) != 0) {
        last_error_ = static_cast<uint32_t>(errno);
        return false;
    }
    return true;
}

bool FileExists(const UString& path) {
    struct stat st;
    return stat(Native(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const UString& path) {
    struct stat st;
    return stat(Native(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool CreateDir(const UString& path) { return mkdir(Native(path).c_str(), 0755) == 0; }

bool ForceDirectories(const UString& path) {
    UString p = path;
    while (p.size() > 1 && p.back() == u'/') p.pop_back();
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    size_t cut = p.find_last_of(u'/');
    if (cut != UString::npos && cut > 0) {
        if (!ForceDirectories(p.substr(0, cut))) return false;
    }
    if (CreateDir(p)) return true;
    // Another process may have made it meanwhile; otherwise the caller reads why it failed.
    const int error = errno;
    if (DirectoryExists(p)) return true;
    errno = error;
    return false;
}

bool RemoveFile(const UString& path) { return unlink(Native(path).c_str()) == 0; }
bool RemoveDir(const UString& path) { return rmdir(Native(path).c_str()) == 0; }
bool RenameFile(const UString& from, const UString& to) {
    return rename(Native(from).c_str(), Native(to).c_str()) == 0;
}

int64_t FileSize(const UString& path) {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

UString ExpandFullPath(const UString& path) {
    if (path.empty()) return path;
    std::string p = Native(path);
    if (p[0] != '/') {
        char cwd[PATH_MAX];
        if (getcwd(cwd, sizeof(cwd)) == nullptr) return path;
        std::string c(cwd);
        if (c.back() != '/') c += '/';
        p = c + p;
    }
    // Remove "." and ".." components lexically.
    std::string out;
    size_t i = 0;
    while (i <= p.size()) {
        size_t j = p.find('/', i);
        if (j == std::string::npos) j = p.size();
        std::string comp = p.substr(i, j - i);
        if (comp == "..") {
            size_t k = out.find_last_of('/');
            out = (k == std::string::npos) ? std::string() : out.substr(0, k);
        } else if (!comp.empty() && comp != ".") {
            out += '/';
            out += comp;
        }
        i = j + 1;
    }
    if (out.empty()) out = "/";
    if (!p.empty() && p.back() == '/' && out.back() != '/') out += '/';
    return Utf8ToWide(out);
}

UString GetTempDirectory() {
    const char* t = std::getenv("TMPDIR");
    std::string d = (t != nullptr && *t != '\0') ? t : "/tmp";
    if (d.back() != '/') d += '/';
    return Utf8ToWide(d);
}

bool SetFileModTime(const UString& path, int64_t unix_time) {
    struct timeval tv[2];
    tv[0].tv_sec = static_cast<time_t>(unix_time);
    tv[0].tv_usec = 0;
    tv[1] = tv[0];
    return utimes(Native(path).c_str(), tv) == 0;
}

bool SetFileReadOnly(const UString& path) {
    struct stat st;
    std::string p = Native(path);
    if (stat(p.c_str(), &st) != 0) return false;
    return chmod(p.c_str(), st.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

uint32_t LastOsError() { return static_cast<uint32_t>(errno); }

UString OsErrorText(uint32_t code) { return Utf8ToWide(std::strerror(static_cast<int>(code))); }

}  // namespace platform
