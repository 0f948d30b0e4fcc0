#pragma once
// Turning an entry's stored name into a path below the destination folder, or refusing it.
// Pure: no file system access. A name is refused when any of its parts could leave the folder or
// reach something other than a plain file on Windows or Unix: absolute forms, "..", alternate
// streams, device names, parts ending in a dot or space, control and wildcard characters.
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

// True for a device name the system would open instead of a file (CON, NUL.txt, COM1 , LPT¹ ...).
bool IsReservedDeviceName(const UString& part);

}  // namespace engine
