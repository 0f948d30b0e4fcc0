// The program the Unicode-path Wine tests install as a package's single program: started by the
// installer's Finish page, it writes ran.txt next to itself with the system's ANSI code page on
// the first line and its own full path (UTF-8) on the second, and ends. So a test sees that it
// ran, from which folder, and under which code page. No C runtime: a few kilobytes.
#include <windows.h>

extern "C" void WINAPI ProbeMain() {
    // From the heap: without the C runtime's start-up, static buffers would be file contents.
    const HANDLE heap = GetProcessHeap();
    auto* path = static_cast<wchar_t*>(HeapAlloc(heap, 0, 32768 * sizeof(wchar_t)));
    auto* report = static_cast<wchar_t*>(HeapAlloc(heap, 0, 32800 * sizeof(wchar_t)));
    const int text_size = 65600;
    auto* text = static_cast<char*>(HeapAlloc(heap, 0, text_size));
    if (path == nullptr || report == nullptr || text == nullptr) ExitProcess(1);
    DWORD n = GetModuleFileNameW(nullptr, path, 32768);
    if (n == 0 || n >= 32768) ExitProcess(2);
    // ran.txt in the same folder; long folders only in their \\?\ form.
    DWORD cut = n;
    while (cut > 0 && path[cut - 1] != L'\\') --cut;
    DWORD at = 0;
    if (n > 200 && path[0] != L'\\') {
        const wchar_t prefix[] = L"\\\\?\\";
        for (int i = 0; i < 4; ++i) report[at++] = prefix[i];
    }
    for (DWORD i = 0; i < cut; ++i) report[at++] = path[i];
    const wchar_t name[] = L"ran.txt";
    for (int i = 0; name[i] != 0; ++i) report[at++] = name[i];
    report[at] = 0;

    // "<code page>\n<own path>\n"
    UINT acp = GetACP();
    char digits[12];
    int d = 0;
    do {
        digits[d++] = static_cast<char>('0' + acp % 10);
        acp /= 10;
    } while (acp != 0);
    int len = 0;
    while (d > 0) text[len++] = digits[--d];
    text[len++] = '\n';
    int bytes = WideCharToMultiByte(CP_UTF8, 0, path, static_cast<int>(n), text + len,
                                    text_size - len - 1, nullptr, nullptr);
    if (bytes <= 0) ExitProcess(3);
    len += bytes;
    text[len++] = '\n';

    HANDLE h = CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) ExitProcess(4);
    DWORD written = 0;
    WriteFile(h, text, static_cast<DWORD>(len), &written, nullptr);
    CloseHandle(h);
    ExitProcess(0);
}
