#include <errno.h>
#include <pthread.h>
#include <time.h>

#include "platform/thread.h"

namespace platform {
namespace {

pthread_mutex_t* M(void* p) { return static_cast<pthread_mutex_t*>(p); }
pthread_cond_t* C(void* p) { return static_cast<pthread_cond_t*>(p); }

}  // namespace

Mutex::Mutex() : impl_(new pthread_mutex_t) { pthread_mutex_init(M(impl_), nullptr); }
Mutex::~Mutex() {
    pthread_mutex_destroy(M(impl_));
    delete M(impl_);
}
void Mutex::Lock() { pthread_mutex_lock(M(impl_)); }
void Mutex::Unlock() { pthread_mutex_unlock(M(impl_)); }

Condition::Condition() : impl_(new pthread_cond_t) { pthread_cond_init(C(impl_), nullptr); }
Condition::~Condition() {
    pthread_cond_destroy(C(impl_));
    delete C(impl_);
}
void Condition::Wait(Mutex& m) { pthread_cond_wait(C(impl_), M(m.impl_)); }
void Condition::NotifyOne() { pthread_cond_signal(C(impl_)); }
void Condition::NotifyAll() { pthread_cond_broadcast(C(impl_)); }

struct ThreadEntry {
    static void* Run(void* self) {
        Thread* t = static_cast<Thread*>(self);
        t->fn_(t->arg_);
        return nullptr;
    }
};

bool Thread::Start(void (*fn)(void*), void* arg) {
    if (handle_ != 0) return false;
    fn_ = fn;
    arg_ = arg;
    pthread_t id;
    if (pthread_create(&id, nullptr, &ThreadEntry::Run, this) != 0) return false;
    handle_ = static_cast<uintptr_t>(id);
    return true;
}

void Thread::Join() {
    if (handle_ == 0) return;
    pthread_join(static_cast<pthread_t>(handle_), nullptr);
    handle_ = 0;
}

uint64_t CurrentThreadId() { return static_cast<uint64_t>(pthread_self()); }

void SleepMs(unsigned ms) {
    timespec t{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) != 0 && errno == EINTR) {
    }
}

uint64_t MonotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<uint64_t>(t.tv_sec) * 1000u + static_cast<uint64_t>(t.tv_nsec) / 1000000u;
}

}  // namespace platform
