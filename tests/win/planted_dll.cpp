// A library planted by the tests under the names of system libraries: the moment anything loads
// it, it leaves "<its own path>.loaded" beside itself, so a test sees which copy was loaded and
// from where. It needs no C runtime and exports nothing.
#include <windows.h>

extern "C" BOOL WINAPI PlantedMain(HINSTANCE self, DWORD why, LPVOID) {
    if (why == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatW(path, L".loaded");
            HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    return TRUE;
}
