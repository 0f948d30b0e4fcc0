// The program the Wine test packages install: the installer's Finish page starts it, and it shows
// that it runs in a message box titled "Sample Program", ending when the box is closed. It needs
// no C runtime, so it is a few kilobytes and keeps the packages that carry it small.
#include <windows.h>

extern "C" void WINAPI SampleMain() {
    MessageBoxW(nullptr, L"The sample program was installed and started.", L"Sample Program",
                MB_OK);
    ExitProcess(0);
}
