#pragma once
// Turns the sources named on a command line into the entries of an archive.
#include <string>
#include <vector>

#include "tools/zmpack/zipwriter.h"

namespace zmpack {

// A folder adds everything below it, the folder itself being the archive's root (each folder
// gets its own entry, so empty ones survive); a file adds itself under its own name. Links to
// files count as the files; links to folders, dangling links and special files are left out
// with a note in `notes`. False, with `error`, when a source is missing or unreadable or two
// files would get the same name.
bool CollectZipSources(const std::vector<UString>& sources, std::vector<ZipSource>& out,
                       std::vector<std::string>& notes, std::string& error);

}  // namespace zmpack
