#pragma once
// Shared between the per-system implementations of the platform layer; not for other layers.
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "platform/resources.h"
#include "platform/types.h"

namespace platform {
namespace detail {
std::mutex& HookLock();
std::function<void(const UString&)>& ShellHook();
std::function<UString(const UString&, const UString&, bool)>& FolderHook();
// The resource table (platform/rcdata.cpp), by upper-case name.
std::string UpperName(const char* name);
std::map<std::string, RcData>& Registered();
std::map<std::string, RcData>& Overrides();
bool FindOverride(const char* name, RcData& out, bool registered_too);
bool HasOverride(const char* name);
}  // namespace detail
}  // namespace platform
