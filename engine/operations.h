#pragma once
// Handles of running operations, so that ZE_Abort from any thread can reach the one it names.
#include <atomic>
#include <cstdint>

namespace engine {

// Registers a running operation's abort flag; returns its non-zero handle.
uint32_t RegisterOperation(std::atomic<bool>* abort_flag);
void UnregisterOperation(uint32_t handle);
// Sets the abort flag of the operation; false when no such operation runs.
bool AbortOperation(uint32_t handle);

}  // namespace engine
