#pragma once
// File times and attributes beyond what files.h offers: reading a file's modification time,
// lifting the read-only attribute, and local calendar time as the system converts it.
#include <cstdint>

#include "platform/types.h"

namespace platform {

// Modification time of a file or folder, seconds since 1970-01-01 UTC.
bool GetFileModTime(const UString& path, int64_t& unix_time);
// Makes a file writable again (Windows: clears the read-only attribute; elsewhere: adds the
// owner's write permission).
bool ClearFileReadOnly(const UString& path);
// The name the file system keeps for the last component of an existing path. On Windows it
// differs from the component given when that was the short (8.3) alias of a longer name
// ("SETUP~1.EXE" for "setup program.exe"); elsewhere it is the component itself. False when the
// path does not exist.
bool GetLongName(const UString& path, UString& long_name);
// The other way round: the short alias of the last component of an existing path, or the
// component itself where the file system keeps none. False when the path does not exist.
bool GetShortName(const UString& path, UString& short_name);
// A calendar time in the system's local time zone (month 1-12) as seconds since 1970 UTC; false
// for fields the system cannot convert.
bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second,
                     int64_t& unix_time);

}  // namespace platform
