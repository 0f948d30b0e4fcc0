#pragma once
// Whether an existing zip archive can be a package's "zip" block as it is, judged by the reader
// the installer's component and engine use (engine/zipformat.h).
#include <string>

#include "platform/types.h"

namespace zmpack {

// True when the installer reads the file as an archive with at least one entry whose offsets
// count from its first byte (a local header sits there). False with a message for a person.
bool CheckPayloadZip(const UString& path, std::string& error);

}  // namespace zmpack
