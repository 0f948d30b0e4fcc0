#include "engine/operations.h"

#include <map>
#include <mutex>

namespace engine {
namespace {

std::mutex& Lock() {
    static std::mutex m;
    return m;
}

std::map<uint32_t, std::atomic<bool>*>& Table() {
    static std::map<uint32_t, std::atomic<bool>*> t;
    return t;
}

}  // namespace

uint32_t RegisterOperation(std::atomic<bool>* abort_flag) {
    static uint32_t next = 0;
    std::lock_guard<std::mutex> g(Lock());
    do {
        ++next;
    } while (next == 0 || Table().count(next) != 0);
    Table()[next] = abort_flag;
    return next;
}

void UnregisterOperation(uint32_t handle) {
    std::lock_guard<std::mutex> g(Lock());
    Table().erase(handle);
}

bool AbortOperation(uint32_t handle) {
    std::lock_guard<std::mutex> g(Lock());
    auto it = Table().find(handle);
    if (it == Table().end()) return false;
    it->second->store(true);
    return true;
}

}  // namespace engine
