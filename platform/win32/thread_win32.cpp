#include <windows.h>
#include <process.h>

#include "platform/thread.h"

namespace platform {

// The lock and the condition variable are one pointer each: stored in place of impl_.
static_assert(sizeof(SRWLOCK) == sizeof(void*), "a slim lock fits in a pointer");
static_assert(sizeof(CONDITION_VARIABLE) == sizeof(void*), "a condition fits in a pointer");

Mutex::Mutex() { InitializeSRWLock(reinterpret_cast<PSRWLOCK>(&impl_)); }
Mutex::~Mutex() = default;
void Mutex::Lock() { AcquireSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&impl_)); }
void Mutex::Unlock() { ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(&impl_)); }

Condition::Condition() {
    InitializeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&impl_));
}
Condition::~Condition() = default;
void Condition::Wait(Mutex& m) {
    SleepConditionVariableSRW(reinterpret_cast<PCONDITION_VARIABLE>(&impl_),
                              reinterpret_cast<PSRWLOCK>(&m.impl_), INFINITE, 0);
}
void Condition::NotifyOne() {
    WakeConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&impl_));
}
void Condition::NotifyAll() {
    WakeAllConditionVariable(reinterpret_cast<PCONDITION_VARIABLE>(&impl_));
}

struct ThreadEntry {
    static unsigned __stdcall Run(void* self) {
        Thread* t = static_cast<Thread*>(self);
        t->fn_(t->arg_);
        return 0;
    }
};

bool Thread::Start(void (*fn)(void*), void* arg) {
    if (handle_ != 0) return false;
    fn_ = fn;
    arg_ = arg;
    // The C runtime's own start keeps its per-thread data right.
    handle_ = _beginthreadex(nullptr, 0, &ThreadEntry::Run, this, 0, nullptr);
    return handle_ != 0;
}

void Thread::Join() {
    if (handle_ == 0) return;
    WaitForSingleObject(reinterpret_cast<HANDLE>(handle_), INFINITE);
    CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = 0;
}

uint64_t CurrentThreadId() { return GetCurrentThreadId(); }

void SleepMs(unsigned ms) { Sleep(ms); }

uint64_t MonotonicMs() { return GetTickCount64(); }

}  // namespace platform
