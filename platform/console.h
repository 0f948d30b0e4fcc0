#pragma once
// The console of a command-line program: its arguments, environment and standard streams.
#include <vector>

#include "platform/types.h"

namespace platform {

// The program's arguments as UTF-16, argv[0] included. On Windows they come from the wide
// command line, so names outside the ANSI code page survive; elsewhere argv is UTF-8.
std::vector<UString> CommandLineArguments(int argc, char** argv);

// The value of an environment variable; false when it is not set.
bool GetEnvironmentText(const char* name, UString& out);

// Sets (or, with unset, removes) an environment variable of this process.
bool SetEnvironmentText(const char* name, const UString& value, bool unset = false);

// True when standard error is an interactive terminal (not a file or a pipe).
bool StderrIsTerminal();

// Makes a terminal show the UTF-8 text the program writes (Windows consoles default to the OEM
// code page); nothing elsewhere.
void UseUtf8ConsoleOutput();

// For a program without a console of its own (a GUI program): writes the text to the standard
// output it was handed (a pipe or a file), else to the console of the program that started it,
// without ever opening a console window. False when there is neither.
bool WriteToParentConsole(const UString& text);

}  // namespace platform
