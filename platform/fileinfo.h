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
// A calendar time in the system's local time zone (month 1-12) as seconds since 1970 UTC; false
// for fields the system cannot convert.
bool LocalTimeToUnix(int year, int month, int day, int hour, int minute, int second,
                     int64_t& unix_time);

}  // namespace platform
