#pragma once
// The installer's command line: unattended installs and the wizard's destination and language.
// Switches are case-insensitive and start with '/' or '-'. A program started without any runs
// the wizard exactly as it always has.
#include "platform/types.h"
#include "wizard/SetupExitCode.h"

enum class TOverwrite { Default, Always, Never };

struct TCommandLine {
    bool Silent = false;  // /S, /SILENT, /VERYSILENT
    bool Help = false;    // /?, /HELP
    bool Run = false;     // /RUN: start the single program after a silent install
    // /D=DIR or /DIR="DIR": a full path ending with a delimiter; empty: the package's own.
    UString Destination;
    UString LogFile;  // /LOG=FILE, a full path; empty: no log
    TOverwrite Overwrite = TOverwrite::Default;
    AnsiString Language;  // /LANG=ID; empty: the package's setting or the chooser
    // The first unknown or malformed switch, as a sentence; empty when the line is sound. The
    // rest of the line is still read, so that /S and /LOG take effect beside an error.
    UString Error;
};

// Reads the command line after the program's name. Relative paths are taken from current_dir.
TCommandLine ParseCommandLine(const UString& tail, const UString& current_dir);

// The switches and exit codes, for the usage box and the console.
UString UsageText();
