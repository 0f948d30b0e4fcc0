// The Windows entry point of setup.exe (built with -municode -mwindows). Everything to install
// comes from the package appended to the program's own file; the command line only chooses how
// (see ucmdline.h).
#include "app/ucmdline.h"
#include "app/ustartup.h"
#include "platform/abi.h"
#include "platform/dynlib.h"
#include "platform/process.h"
#include "platform/sysdirs.h"

extern "C" int ZM_STDCALL wWinMain(void* instance, void* previous, wchar_t* command_line,
                                   int show) {
    (void)instance;
    (void)previous;
    (void)show;
    // Before anything can load a library: never from the program's folder or the current one.
    platform::HardenLibrarySearch();
    // The system hands over the line after the program's name.
    const UString tail = command_line != nullptr
                             ? UString(reinterpret_cast<const char16_t*>(command_line))
                             : UString();
    return RunSetup(platform::GetExeName(), ParseCommandLine(tail, platform::GetCurrentDir()));
}
