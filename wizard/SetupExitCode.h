#pragma once
// The installer's exit codes, for the wizard and for silent runs alike.

enum TSetupExitCode : int {
    ecInstalled = 0,
    ecCancelled = 1,         // the wizard's Cancel or close box
    ecPackageDamaged = 2,    // the package does not open or its contents check failed
    ecExtractionFailed = 3,  // an entry refused or not written, no access, disk full ...
    ecUsage = 4,             // an unknown or malformed switch
};
