// The planting test's control: loads each library named on its command line by its bare name,
// the way a careless program would, and exits. Where the system searches the program's folder
// first, planted copies there are loaded and leave their marks, which shows the marks work.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    for (int i = 1; i < argc; ++i) LoadLibraryW(argv[i]);
    return 0;
}
