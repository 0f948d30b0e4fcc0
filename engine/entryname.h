#pragma once
// The file-name rules of the whole tree, and turning an entry's stored name into a path below the
// destination folder, or refusing it. Pure: no file system access. A name is refused when any of
// its parts could leave the folder or reach something other than a plain file on Windows or Unix:
// absolute forms, "..", alternate streams, device names, parts ending in a dot or space, control
// and wildcard characters.
//
// The engine is the lowest layer that judges names, so the rules live here, in a library of
// their own (zm_entryname) that the engine, common/ (the repair of the package title into the
// default folder) and zmpack's zip writer link: what one of them calls a device name, all do.
#include <string>
#include <vector>

#include "platform/types.h"

namespace engine {

struct SafeEntryName {
    bool ok = false;
    const char* reason = "";     // why the name was refused (English, for messages)
    std::vector<UString> parts;  // the folder parts and the file name, each checked
    bool is_directory = false;   // the name ended with a delimiter
};

// `name` is the decoded stored name; '/' and '\' both delimit parts; "." parts are dropped (a
// folder entry may so name the destination itself and have no parts). With flatten, only the last
// part is kept (every part is still checked, so a refused name stays refused).
SafeEntryName CheckEntryName(const UString& name, bool flatten);

// True for a device name the system would open instead of a file: CON, PRN, AUX, NUL, COM1-9,
// LPT1-9 (also with the superscript digits ¹ ² ³), CONIN$, CONOUT$, CLOCK$, in any case, with
// anything after the first dot and blanks or dots before it (NUL.txt, COM1 .log, lpt¹).
bool IsReservedDeviceName(const UString& part);

// True for a character no file name may hold: the controls below 32 and " * / : < > ? \ |.
bool IsForbiddenNameChar(char16_t c);

}  // namespace engine
