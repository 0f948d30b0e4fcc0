#include "engine/operations.h"

#include <utility>
#include <vector>

#include "platform/thread.h"

namespace engine {
namespace {

// Set up when the library is loaded, before any operation can run; a handful of entries at most.
platform::Mutex g_lock;
std::vector<std::pair<uint32_t, std::atomic<bool>*>> g_table;
uint32_t g_last = 0;

std::vector<std::pair<uint32_t, std::atomic<bool>*>>::iterator Find(uint32_t handle) {
    auto it = g_table.begin();
    while (it != g_table.end() && it->first != handle) ++it;
    return it;
}

}  // namespace

uint32_t RegisterOperation(std::atomic<bool>* abort_flag) {
    platform::MutexLock g(g_lock);
    do {
        ++g_last;
    } while (g_last == 0 || Find(g_last) != g_table.end());
    g_table.emplace_back(g_last, abort_flag);
    return g_last;
}

void UnregisterOperation(uint32_t handle) {
    platform::MutexLock g(g_lock);
    auto it = Find(handle);
    if (it != g_table.end()) g_table.erase(it);
}

bool AbortOperation(uint32_t handle) {
    platform::MutexLock g(g_lock);
    auto it = Find(handle);
    if (it == g_table.end()) return false;
    it->second->store(true);
    return true;
}

}  // namespace engine
