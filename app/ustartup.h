#pragma once
// The installer's start-up: from the program's own file to the end of the wizard's message loop.
#include <memory>

#include "app/ucmdline.h"
#include "package/ZMArchiveFile.h"
#include "platform/types.h"

// The opened package of this program; made by RunSetup, alive until the process ends.
extern std::unique_ptr<TZMArchiveFile> PackageFile;

// Opens the package carried in exe_path (the module's own file name, never argv[0]), sets the
// interface language (the command line's, the package's preset, else the language chooser), runs
// the wizard until its window closes and returns the process's exit code (TSetupExitCode). A file
// without a sound package gets the "Package Corrupted!" box and no window; /? and a usage error
// get the usage box and no window; /S installs with no window at all (RunSilent).
int RunSetup(const UString& exe_path, const TCommandLine& command_line = TCommandLine());
