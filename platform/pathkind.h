#pragma once
// What a path names, found with one query: callers that would otherwise ask "is it a folder?" and
// "is it a file?" in turn pay one system call per extracted file instead of two.
#include "platform/types.h"

namespace platform {

enum class PathKind { None, File, Folder };

PathKind GetPathKind(const UString& path);

}  // namespace platform
