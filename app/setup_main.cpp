// The Windows entry point of setup.exe (built with -municode -mwindows): no command line is read,
// everything comes from the package appended to the program's own file.
#include "app/ustartup.h"
#include "platform/abi.h"
#include "platform/dynlib.h"
#include "platform/process.h"

extern "C" int ZM_STDCALL wWinMain(void* instance, void* previous, wchar_t* command_line,
                                   int show) {
    (void)instance;
    (void)previous;
    (void)command_line;
    (void)show;
    // Before anything can load a library: never from the program's folder or the current one.
    platform::HardenLibrarySearch();
    return RunSetup(platform::GetExeName());
}
