#include "platform/filelock.h"
#include "platform/win32/wide.h"

namespace platform {

bool LockedFile::Open(const UString& path) {
    Close();
    // Sharing read only: while this handle is open nobody can open the file for writing, delete
    // it or rename it, but the system loader can still map it.
    HANDLE h = CreateFileW(W(ExtendedPath(path)), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = reinterpret_cast<intptr_t>(h);
    return true;
}

bool LockedFile::ReadAll(std::string& out, size_t max_size) {
    out.clear();
    if (handle_ == -1) return false;
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    LARGE_INTEGER size, zero;
    zero.QuadPart = 0;
    if (!GetFileSizeEx(h, &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > max_size)
        return false;
    if (!SetFilePointerEx(h, zero, nullptr, FILE_BEGIN)) return false;
    char buf[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(h, buf, sizeof(buf), &got, nullptr)) return false;
        if (got == 0) break;
        if (out.size() + got > max_size) return false;
        out.append(buf, got);
    }
    return true;
}

void LockedFile::Close() {
    if (handle_ != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle_));
        handle_ = -1;
    }
}

}  // namespace platform
