// Test hooks and the registered resource table, the same on every system.
#include <cctype>
#include <map>
#include <mutex>
#include <string>

#include "platform/folderdlg.h"
#include "platform/resources.h"
#include "platform/shell.h"

namespace platform {
namespace detail {

std::mutex& HookLock() {
    static std::mutex m;
    return m;
}
std::function<void(const UString&)>& ShellHook() {
    static std::function<void(const UString&)> h;
    return h;
}
std::function<UString(const UString&, const UString&, bool)>& FolderHook() {
    static std::function<UString(const UString&, const UString&, bool)> h;
    return h;
}

static std::string UpperName(const char* name) {
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

void SetShellOpenHook(std::function<void(const UString&)> hook) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    detail::ShellHook() = std::move(hook);
}

void SetBrowseForFolderHook(
    std::function<UString(const UString& title, const UString& initial, bool allow_new)> hook) {
    std::lock_guard<std::mutex> g(detail::HookLock());
    detail::FolderHook() = std::move(hook);
}

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
