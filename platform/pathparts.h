#pragma once
// The parts of a path, split where the system splits them (platform::IsPathDelimiter: '\' and
// '/' on Windows, '/' elsewhere). Pure text: nothing here looks at the file system.
#include <cstddef>

#include "platform/types.h"

namespace platform {

// Where the last part of the path starts: after its last delimiter, 0 when it has none.
size_t NameStart(const UString& path);
// The folder part with its trailing delimiter; empty when the path has no delimiter.
UString FolderPart(const UString& path);
// The last part.
UString NamePart(const UString& path);
// The last part without its extension (the text from its last dot on).
UString TitlePart(const UString& path);
// The extension of the last part, with its dot; empty when it has none.
UString ExtensionPart(const UString& path);
// The path with a delimiter at its end, added when it has none (an empty path stays empty).
UString WithTrailingDelimiter(const UString& path);

}  // namespace platform
