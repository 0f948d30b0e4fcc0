#pragma once
// A worker thread and the lock and wake-up it shares data through, as the system provides them
// (Windows: a CRT thread, a slim reader/writer lock, a condition variable; elsewhere: POSIX
// threads). The static Windows programs carry far less of these than of the C++ library's thread
// support.
#include <cstdint>

namespace platform {

class Mutex {
  public:
    Mutex();
    ~Mutex();
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    void Lock();
    void Unlock();

  private:
    friend class Condition;
    void* impl_ = nullptr;
};

class MutexLock {
  public:
    explicit MutexLock(Mutex& m) : m_(m) { m_.Lock(); }
    ~MutexLock() { m_.Unlock(); }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

  private:
    Mutex& m_;
};

class Condition {
  public:
    Condition();
    ~Condition();
    Condition(const Condition&) = delete;
    Condition& operator=(const Condition&) = delete;
    // Releases m (held by the caller) while waiting and holds it again on return. May return
    // without a notification: wait in a loop over the awaited state.
    void Wait(Mutex& m);
    void NotifyOne();
    void NotifyAll();

  private:
    void* impl_ = nullptr;
};

class Thread {
  public:
    Thread() = default;
    ~Thread() { Join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    // Runs fn(arg) on a new thread; false when the system refuses one (or one is running).
    bool Start(void (*fn)(void*), void* arg);
    bool Started() const { return handle_ != 0; }
    // Waits for the thread to end (nothing when none was started).
    void Join();

  private:
    friend struct ThreadEntry;  // the system's entry point, which runs fn_(arg_)
    uintptr_t handle_ = 0;
    void (*fn_)(void*) = nullptr;
    void* arg_ = nullptr;
};

// The calling thread's identity: the same number throughout its life, never 0.
uint64_t CurrentThreadId();
// Suspends the calling thread for at least ms milliseconds.
void SleepMs(unsigned ms);
// Milliseconds since some fixed moment, never going back (for pacing, not for dates).
uint64_t MonotonicMs();

}  // namespace platform
