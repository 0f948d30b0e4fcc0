#pragma once
// What the hostile-archive tests share: the table of entry names that must never reach the file
// system (tests/data/hostile_names.txt, linked into the test as resource "HOSTILENAMES"), and a
// snapshot of a folder tree to compare before and after.
#include <string>
#include <vector>

#include "platform/types.h"

namespace hostile {

// The table's lines: '#' comments and empty lines left out, \t and \xNN decoded.
std::vector<std::string> Names();

// Every path below folder, '/'-separated and sorted, folders with a trailing '/', files with their
// size.
std::vector<std::string> Snapshot(const UString& folder);

}  // namespace hostile
