#pragma once
// Shared between the per-system implementations of the platform layer; not for other layers.
#include <functional>
#include <mutex>

#include "platform/resources.h"
#include "platform/types.h"

namespace platform {
namespace detail {
std::mutex& HookLock();
std::function<void(const UString&)>& ShellHook();
std::function<UString(const UString&, const UString&, bool)>& FolderHook();
bool FindOverride(const char* name, RcData& out, bool registered_too);
bool HasOverride(const char* name);
}  // namespace detail
}  // namespace platform
