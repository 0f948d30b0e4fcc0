// The few POSIX thread calls that the static C++ runtime makes itself (its exception allocator,
// its unwinder, thread-local storage emulation and the guards of function-local statics), built
// on the system's critical sections, condition variables and TLS slots, for the installer and
// the engine library. Without them the linker brings in the whole POSIX thread library for these
// calls (about 32 KB in each). The programs' own threads and locks go through platform/thread.h.
//
// Only the calls the runtime makes are here. A program that also starts std::thread or calls
// another pthread function pulls the thread library in after all, and the duplicate definitions
// stop its link: nothing can silently mix the two.
#include <windows.h>

#include <errno.h>
#include <pthread.h>

// The C runtime's list of TLS slots whose values it hands to a destructor when a thread of the
// module ends (run from the module's TLS callback, so never after the module is unloaded).
extern "C" int __mingwthr_key_dtor(DWORD key, void (*dtor)(void*));

namespace {

// A lock or condition given one of the static initializers holds -1 (plain), -2 (recursive) or
// -3 (error-checking) until its first use makes it point to the system object. A critical
// section serves all three kinds: it may be entered again by its owner.
bool IsStaticValue(intptr_t v) { return v <= -1 && v >= -3; }

template <class T>
T* NewObject() {
    return static_cast<T*>(HeapAlloc(GetProcessHeap(), 0, sizeof(T)));
}

CRITICAL_SECTION* NewSection() {
    CRITICAL_SECTION* cs = NewObject<CRITICAL_SECTION>();
    if (cs != nullptr) InitializeCriticalSection(cs);
    return cs;
}

CONDITION_VARIABLE* NewCondition() {
    CONDITION_VARIABLE* cv = NewObject<CONDITION_VARIABLE>();
    if (cv != nullptr) InitializeConditionVariable(cv);
    return cv;
}

void FreeSection(CRITICAL_SECTION* cs) {
    DeleteCriticalSection(cs);
    HeapFree(GetProcessHeap(), 0, cs);
}

void FreeCondition(CONDITION_VARIABLE* cv) { HeapFree(GetProcessHeap(), 0, cv); }

// The system object behind *slot, created on first use; two threads that race for that keep the
// one that was stored first. Null for a slot that holds nothing usable, or when memory ran out.
template <class T, T* (*Create)(), void (*Free)(T*)>
T* Resolve(intptr_t* slot) {
    intptr_t v = __atomic_load_n(slot, __ATOMIC_ACQUIRE);
    if (v == 0) return nullptr;
    if (!IsStaticValue(v)) return reinterpret_cast<T*>(v);
    T* made = Create();
    if (made == nullptr) return nullptr;
    if (__atomic_compare_exchange_n(slot, &v, reinterpret_cast<intptr_t>(made), false,
                                    __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) {
        return made;
    }
    Free(made);
    return IsStaticValue(v) || v == 0 ? nullptr : reinterpret_cast<T*>(v);
}

CRITICAL_SECTION* Section(pthread_mutex_t* m) {
    return Resolve<CRITICAL_SECTION, NewSection, FreeSection>(m);
}

CONDITION_VARIABLE* Condition(pthread_cond_t* c) {
    return Resolve<CONDITION_VARIABLE, NewCondition, FreeCondition>(c);
}

// The object of a lock already in use, without creating one.
CRITICAL_SECTION* SectionInUse(pthread_mutex_t* m) {
    const intptr_t v = __atomic_load_n(m, __ATOMIC_ACQUIRE);
    return v == 0 || IsStaticValue(v) ? nullptr : reinterpret_cast<CRITICAL_SECTION*>(v);
}

}  // namespace

extern "C" {

int pthread_mutex_init(pthread_mutex_t* m, const pthread_mutexattr_t*) {
    CRITICAL_SECTION* cs = NewSection();
    if (cs == nullptr) return ENOMEM;
    *m = reinterpret_cast<intptr_t>(cs);
    return 0;
}

int pthread_mutex_destroy(pthread_mutex_t* m) {
    CRITICAL_SECTION* cs = SectionInUse(m);
    if (cs != nullptr) FreeSection(cs);
    // A lock used again after this (a late exception while the process ends) starts afresh.
    *m = -1;
    return 0;
}

int pthread_mutex_lock(pthread_mutex_t* m) {
    CRITICAL_SECTION* cs = Section(m);
    if (cs == nullptr) return EINVAL;
    EnterCriticalSection(cs);
    return 0;
}

int pthread_mutex_unlock(pthread_mutex_t* m) {
    CRITICAL_SECTION* cs = SectionInUse(m);
    if (cs == nullptr) return EPERM;
    LeaveCriticalSection(cs);
    return 0;
}

int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
    CONDITION_VARIABLE* cv = Condition(c);
    CRITICAL_SECTION* cs = SectionInUse(m);
    if (cv == nullptr || cs == nullptr) return EINVAL;
    return SleepConditionVariableCS(cv, cs, INFINITE) ? 0 : EINVAL;
}

int pthread_cond_broadcast(pthread_cond_t* c) {
    CONDITION_VARIABLE* cv = Condition(c);
    if (cv == nullptr) return EINVAL;
    WakeAllConditionVariable(cv);
    return 0;
}

// 0 before the first call, 1 while its routine runs, 2 afterwards; the others wait for 2.
int pthread_once(pthread_once_t* once, void (*routine)(void)) {
    volatile LONG* state = reinterpret_cast<volatile LONG*>(once);
    if (InterlockedCompareExchange(state, 1, 0) == 0) {
        routine();
        InterlockedExchange(state, 2);
        return 0;
    }
    while (InterlockedCompareExchange(state, 2, 2) != 2) Sleep(0);
    return 0;
}

int pthread_key_create(pthread_key_t* key, void (*destructor)(void*)) {
    const DWORD slot = TlsAlloc();
    if (slot == TLS_OUT_OF_INDEXES) return EAGAIN;
    if (destructor != nullptr && __mingwthr_key_dtor(slot, destructor) != 0) {
        TlsFree(slot);
        return ENOMEM;
    }
    *key = slot;
    return 0;
}

// Called on the way of every exception: the caller's last error must survive it.
void* pthread_getspecific(pthread_key_t key) {
    const DWORD error = GetLastError();
    void* value = TlsGetValue(key);
    SetLastError(error);
    return value;
}

int pthread_setspecific(pthread_key_t key, const void* value) {
    return TlsSetValue(key, const_cast<void*>(value)) ? 0 : EINVAL;
}

}  // extern "C"
