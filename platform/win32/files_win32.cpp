#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/win32/wide.h"

namespace platform {

UString ExtendedPath(const UString& path) {
    if (path.size() < 240) return path;
    if (path.rfind(u"\\\\?\\", 0) == 0) return path;
    UString full = path;
    DWORD n = GetFullPathNameW(W(path), 0, nullptr, nullptr);
    if (n > 0) {
        std::wstring buf(n, L'\0');
        DWORD m = GetFullPathNameW(W(path), n, &buf[0], nullptr);
        if (m > 0 && m < n) full = U(buf.c_str(), m);
    }
    for (auto& c : full)
        if (c == u'/') c = u'\\';
    if (full.rfind(u"\\\\", 0) == 0) return u"\\\\?\\UNC\\" + full.substr(2);
    return u"\\\\?\\" + full;
}

char16_t PathDelimiter() { return u'\\'; }
bool IsPathDelimiter(char16_t c) { return c == u'\\' || c == u'/'; }

FileStream::~FileStream() { Close(); }

bool FileStream::Open(const UString& path, Mode mode) {
    Close();
    DWORD access = GENERIC_READ, share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    DWORD disposition = OPEN_EXISTING;
    switch (mode) {
        case Mode::ReadShared:
            break;
        case Mode::CreateAlways:
            access = GENERIC_WRITE;
            share = FILE_SHARE_READ;
            disposition = CREATE_ALWAYS;
            break;
        case Mode::CreateNew:
            access = GENERIC_WRITE;
            share = FILE_SHARE_READ;
            disposition = CREATE_NEW;
            break;
        case Mode::ReadWrite:
            access = GENERIC_READ | GENERIC_WRITE;
            share = FILE_SHARE_READ;
            break;
    }
    HANDLE h = CreateFileW(W(ExtendedPath(path)), access, share, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        last_error_ = GetLastError();
        return false;
    }
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool FileStream::IsOpen() const { return handle_ != -1; }

bool FileStream::Close() {
    if (handle_ == -1) return true;
    BOOL ok = CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
    if (!ok) {
        last_error_ = GetLastError();
        return false;
    }
    return true;
}

int64_t FileStream::Size() const {
    LARGE_INTEGER li;
    if (handle_ == -1 || !GetFileSizeEx(reinterpret_cast<HANDLE>(handle_), &li)) return -1;
    return li.QuadPart;
}

bool FileStream::Seek(int64_t position) {
    if (handle_ == -1 || position < 0) return false;
    LARGE_INTEGER li;
    li.QuadPart = position;
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), li, nullptr, FILE_BEGIN)) {
        last_error_ = GetLastError();
        return false;
    }
    return true;
}

int64_t FileStream::Position() const {
    if (handle_ == -1) return -1;
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(reinterpret_cast<HANDLE>(handle_), zero, &pos, FILE_CURRENT)) return -1;
    return pos.QuadPart;
}

size_t FileStream::Read(void* buffer, size_t n) {
    if (handle_ == -1) return 0;
    size_t done = 0;
    auto* p = static_cast<char*>(buffer);
    while (done < n) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(reinterpret_cast<HANDLE>(handle_), p + done, chunk, &got, nullptr)) {
            last_error_ = GetLastError();
            break;
        }
        if (got == 0) break;
        done += got;
    }
    return done;
}

bool FileStream::ReadExact(void* buffer, size_t n) { return Read(buffer, n) == n; }

bool FileStream::Write(const void* buffer, size_t n) {
    if (handle_ == -1) return false;
    size_t done = 0;
    auto* p = static_cast<const char*>(buffer);
    while (done < n) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(reinterpret_cast<HANDLE>(handle_), p + done, chunk, &put, nullptr) ||
            put == 0) {
            last_error_ = GetLastError();
            return false;
        }
        done += put;
    }
    return true;
}

bool FileStream::Truncate(int64_t size) {
    if (!Seek(size)) return false;
    if (!SetEndOfFile(reinterpret_cast<HANDLE>(handle_))) {
        last_error_ = GetLastError();
        return false;
    }
    return true;
}

bool FileStream::Flush() {
    return handle_ != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle_));
}

bool FileStream::SetModTime(int64_t unix_time) {
    if (handle_ == -1) return false;
    const uint64_t t = static_cast<uint64_t>(unix_time * 10000000LL + 116444736000000000LL);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    // A time set explicitly is kept when the handle is closed after writing.
    if (!SetFileTime(reinterpret_cast<HANDLE>(handle_), nullptr, nullptr, &ft)) {
        last_error_ = GetLastError();
        return false;
    }
    return true;
}

bool FileExists(const UString& path) {
    DWORD a = GetFileAttributesW(W(ExtendedPath(path)));
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const UString& path) {
    DWORD a = GetFileAttributesW(W(ExtendedPath(path)));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const UString& path) {
    return CreateDirectoryW(W(ExtendedPath(path)), nullptr) != 0;
}

bool ForceDirectories(const UString& path) {
    UString p = path;
    while (p.size() > 3 && IsPathDelimiter(p.back())) p.pop_back();
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    size_t cut = p.find_last_of(u"\\/");
    if (cut != UString::npos && cut > 0) {
        UString parent = p.substr(0, cut);
        // Stop at a drive root ("C:") or the start of a UNC path.
        if (!(parent.size() == 2 && parent[1] == u':') && parent != u"\\" &&
            !ForceDirectories(parent)) {
            return false;
        }
    }
    if (CreateDir(p)) return true;
    // Another process may have made it meanwhile; otherwise the caller reads why it failed.
    const DWORD error = GetLastError();
    if (DirectoryExists(p)) return true;
    SetLastError(error);
    return false;
}

bool RemoveFile(const UString& path) { return DeleteFileW(W(ExtendedPath(path))) != 0; }
bool RemoveDir(const UString& path) { return RemoveDirectoryW(W(ExtendedPath(path))) != 0; }
bool RenameFile(const UString& from, const UString& to) {
    return MoveFileExW(W(ExtendedPath(from)), W(ExtendedPath(to)), MOVEFILE_REPLACE_EXISTING) != 0;
}

int64_t FileSize(const UString& path) {
    WIN32_FILE_ATTRIBUTE_DATA d;
    if (!GetFileAttributesExW(W(ExtendedPath(path)), GetFileExInfoStandard, &d)) return -1;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
    return (static_cast<int64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
}

UString ExpandFullPath(const UString& path) {
    if (path.empty()) return path;
    DWORD n = GetFullPathNameW(W(path), 0, nullptr, nullptr);
    if (n == 0) return path;
    std::wstring buf(n, L'\0');
    DWORD m = GetFullPathNameW(W(path), n, &buf[0], nullptr);
    if (m == 0 || m >= n) return path;
    return U(buf.c_str(), m);
}

UString GetTempDirectory() {
    wchar_t buf[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, buf);
    if (n == 0 || n > MAX_PATH) return UString();
    UString r = U(buf, n);
    if (!r.empty() && !IsPathDelimiter(r.back())) r.push_back(u'\\');
    return r;
}

bool SetFileModTime(const UString& path, int64_t unix_time) {
    HANDLE h = CreateFileW(W(ExtendedPath(path)), FILE_WRITE_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    uint64_t t = static_cast<uint64_t>(unix_time * 10000000LL + 116444736000000000LL);
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(t);
    ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
    BOOL ok = SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return ok != 0;
}

bool SetFileReadOnly(const UString& path) {
    UString p = ExtendedPath(path);
    DWORD a = GetFileAttributesW(W(p));
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    return SetFileAttributesW(W(p), (a & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY) != 0;
}

uint32_t LastOsError() { return GetLastError(); }

UString OsErrorText(uint32_t code) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    UString r;
    if (n > 0 && text != nullptr) {
        r = U(text, n);
        while (!r.empty() && (r.back() == u'\n' || r.back() == u'\r' || r.back() == u' '))
            r.pop_back();
    }
    if (text != nullptr) LocalFree(text);
    return r;
}

}  // namespace platform
