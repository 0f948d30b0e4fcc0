// The table of resources registered by name and of the ones a test put in their place: the
// lookups. Filling it is apart (platform/rcdata_fill.cpp), so that a program that never fills it
// carries no insertion code for it.
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "platform/hooks.h"
#include "platform/resources.h"

namespace platform {
namespace detail {

std::string UpperName(const char* name) {
    std::string s(name);
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
std::map<std::string, RcData>& Registered() {
    static std::map<std::string, RcData> m;
    return m;
}
std::map<std::string, RcData>& Overrides() {
    static std::map<std::string, RcData> m;
    return m;
}
bool FindOverride(const char* name, RcData& out, bool registered_too) {
    std::lock_guard<std::mutex> g(HookLock());
    auto key = UpperName(name);
    auto it = Overrides().find(key);
    if (it != Overrides().end()) {
        out = it->second;
        return out.data != nullptr;
    }
    if (registered_too) {
        auto r = Registered().find(key);
        if (r != Registered().end()) {
            out = r->second;
            return true;
        }
    }
    return false;
}
bool HasOverride(const char* name) {
    std::lock_guard<std::mutex> g(HookLock());
    return Overrides().count(UpperName(name)) != 0;
}

}  // namespace detail
}  // namespace platform
