#pragma once
// Walking folders: the entries of one folder with what a packer needs to know about each.
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace platform {

struct PathInfo {
    UString name;            // the last component of the path (entries: the entry's own name)
    bool is_dir = false;     // after following a link
    bool is_link = false;    // the entry itself is a symbolic link or a reparse point
    bool is_other = false;   // neither a file nor a folder: a device, pipe or socket
    bool read_only = false;  // the owner may not write it
    int64_t size = 0;        // bytes; 0 for folders
    int64_t mod_time = 0;    // seconds since 1970-01-01 UTC
};

// Facts about one path, following links. False when the path does not exist.
bool GetPathInfo(const UString& path, PathInfo& out);

// The entries of a folder ("." and ".." left out), in the order the system gives them.
// An entry whose link points nowhere is reported with is_link and is_other set.
// False when the folder cannot be read.
bool ListDirectory(const UString& path, std::vector<PathInfo>& out);

}  // namespace platform
