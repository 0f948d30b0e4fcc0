// Filling the resource table of platform/rcdata.cpp: the programs that register their resources
// by name (all but the Windows ones) and the tests that put their own in place of one.
#include <map>
#include <mutex>
#include <string>

#include "platform/hooks.h"
#include "platform/resources.h"

namespace platform {

void OverrideRcData(const char* name, const unsigned char* data, size_t size) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    auto key = detail::UpperName(name);
    if (data == nullptr) {
        detail::Overrides().erase(key);
    } else {
        detail::Overrides()[key] = RcData{data, size};
    }
}

RcDataRegistrar::RcDataRegistrar(const char* name, const unsigned char* data, size_t size) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    detail::Registered()[detail::UpperName(name)] = RcData{data, size};
}

}  // namespace platform
