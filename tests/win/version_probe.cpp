// What Windows itself reads from a program's file, for the branding tests: the version record
// through GetFileVersionInfoW (its fixed numbers and the strings of its first translation), the
// icon group 1 through LoadImageW, the wizard picture through FindResourceW, and the header's
// checksum against MapFileAndCheckSumW's. One "key=value" line each, in UTF-8.
//   version_probe FILE
#include <windows.h>
#include <imagehlp.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string s(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, &s[0], n, nullptr, nullptr);
    return s;
}

std::string Dotted(DWORD ms, DWORD ls) {
    char b[64];
    std::snprintf(b, sizeof b, "%lu.%lu.%lu.%lu", ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF);
    return b;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const wchar_t* file = argv[1];
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &handle);
    std::vector<char> info(size);
    if (size == 0 || !GetFileVersionInfoW(file, 0, size, info.data())) {
        std::printf("version=none\n");
    } else {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT len = 0;
        if (VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &len) && fixed) {
            std::printf("fixed.FileVersion=%s\n",
                        Dotted(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str());
            std::printf("fixed.ProductVersion=%s\n",
                        Dotted(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str());
        }
        WORD* lang = nullptr;
        if (VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                           reinterpret_cast<void**>(&lang), &len) &&
            len >= 4) {
            const wchar_t* keys[] = {L"ProductName",      L"ProductVersion",  L"FileVersion",
                                     L"CompanyName",      L"FileDescription", L"LegalCopyright",
                                     L"OriginalFilename", L"Comments"};
            for (const wchar_t* key : keys) {
                wchar_t path[128];
                swprintf(path, 128, L"\\StringFileInfo\\%04x%04x\\%ls", lang[0], lang[1], key);
                wchar_t* value = nullptr;
                if (VerQueryValueW(info.data(), path, reinterpret_cast<void**>(&value), &len) &&
                    value != nullptr)
                    std::printf("%s=%s\n", Utf8(key).c_str(), Utf8(value).c_str());
            }
        }
    }
    HMODULE m =
        LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (m != nullptr) {
        for (int px : {16, 32, 48}) {
            HANDLE icon = LoadImageW(m, MAKEINTRESOURCEW(1), IMAGE_ICON, px, px, 0);
            ICONINFO ii = {};
            BITMAP bm = {};
            if (icon != nullptr && GetIconInfo(static_cast<HICON>(icon), &ii) &&
                GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm))
                std::printf("icon%d=%ldx%ld\n", px, bm.bmWidth, bm.bmHeight);
            if (ii.hbmColor) DeleteObject(ii.hbmColor);
            if (ii.hbmMask) DeleteObject(ii.hbmMask);
            if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
        }
        HRSRC pic = FindResourceW(m, L"WIZARDBITMAP", MAKEINTRESOURCEW(10));
        std::printf("picture.bytes=%lu\n", pic ? SizeofResource(m, pic) : 0ul);
        FreeLibrary(m);
    }
    DWORD header = 0, computed = 0;
    if (MapFileAndCheckSumW(file, &header, &computed) == CHECKSUM_SUCCESS)
        std::printf("checksum=%s\n", header == computed ? "ok" : "mismatch");
    return 0;
}
