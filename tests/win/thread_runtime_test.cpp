// The POSIX thread calls of the C++ runtime as the installer and the engine library carry them
// (platform/win32/runtime/pthread_win32.cpp): the runtime's exceptions, thread-local data and
// guarded statics on several threads at once, and the calls themselves in the forms the runtime
// uses them (static initializers, once, slots with destructors). A program of its own without the
// test framework, which brings in the POSIX thread library through its clocks.
#include <windows.h>

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/thread.h"

namespace {

int g_checks = 0;
int g_failures = 0;

void Check(bool ok, const char* what, long got, long want) {
    ++g_checks;
    if (ok) return;
    ++g_failures;
    std::printf("FAILED: %s: got %ld, want %ld\n", what, got, want);
}

template <class A, class B>
void CheckEqual(const A& want, const B& got, const char* what) {
    Check(want == got, what, static_cast<long>((intptr_t)got), static_cast<long>((intptr_t)want));
}

#define EXPECT_EQ(want, got) CheckEqual((want), (got), #got)
#define EXPECT_NE(bad, got)                                 \
    do {                                                    \
        const long v = static_cast<long>(got);              \
        Check(v != static_cast<long>(bad), #got, v, (bad)); \
    } while (0)
#define ASSERT_EQ EXPECT_EQ
#define ASSERT_TRUE(x) Check((x), #x, 0, 1)

// Runs fn(i) on n threads at once and waits for all of them.
template <class Fn>
void OnThreads(int n, Fn fn) {
    struct Job {
        Fn* fn;
        int index;
    };
    std::vector<Job> jobs;
    for (int i = 0; i < n; ++i) jobs.push_back({&fn, i});
    std::vector<platform::Thread> threads(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(threads[static_cast<size_t>(i)].Start(
            [](void* p) {
                Job* job = static_cast<Job*>(p);
                (*job->fn)(job->index);
            },
            &jobs[static_cast<size_t>(i)]));
    }
    for (auto& t : threads) t.Join();
}

int SlowlyBuiltValue(std::atomic<int>& builds) {
    // A guarded static: built once, whichever thread comes first; the others wait for it.
    static const int value = [&] {
        ++builds;
        Sleep(20);
        return 42;
    }();
    return value;
}

void ExceptionsAndStaticsOnManyThreads() {
    std::atomic<int> caught{0}, builds{0}, values{0};
    OnThreads(6, [&](int i) {
        for (int k = 0; k < 200; ++k) {
            try {
                throw std::runtime_error("thread " + std::to_string(i));
            } catch (const std::exception& e) {
                if (std::string(e.what()) == "thread " + std::to_string(i)) ++caught;
            }
        }
        if (SlowlyBuiltValue(builds) == 42) ++values;
    });
    EXPECT_EQ(6 * 200, caught.load());
    EXPECT_EQ(1, builds.load());
    EXPECT_EQ(6, values.load());
}

void StaticLocksOfEveryKindExcludeEachOther() {
    static pthread_mutex_t plain = PTHREAD_MUTEX_INITIALIZER;
    static pthread_mutex_t recursive = PTHREAD_RECURSIVE_MUTEX_INITIALIZER;
    static pthread_mutex_t checking = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER;
    for (pthread_mutex_t* m : {&plain, &recursive, &checking}) {
        long counter = 0;  // unguarded increments would lose some of these
        OnThreads(4, [&](int) {
            for (int k = 0; k < 20000; ++k) {
                ASSERT_EQ(0, pthread_mutex_lock(m));
                counter = counter + 1;
                ASSERT_EQ(0, pthread_mutex_unlock(m));
            }
        });
        EXPECT_EQ(4 * 20000, counter);
    }
    // The owner may take the recursive lock again, as the runtime's static guards do.
    ASSERT_EQ(0, pthread_mutex_lock(&recursive));
    ASSERT_EQ(0, pthread_mutex_lock(&recursive));
    EXPECT_EQ(0, pthread_mutex_unlock(&recursive));
    EXPECT_EQ(0, pthread_mutex_unlock(&recursive));
    pthread_mutex_t never_used = PTHREAD_MUTEX_INITIALIZER;
    EXPECT_NE(0, pthread_mutex_unlock(&never_used));
    EXPECT_EQ(0, pthread_mutex_destroy(&never_used));
}

std::atomic<int> g_once_runs{0};
std::atomic<bool> g_once_done{false};

void OnceRoutine() {
    ++g_once_runs;
    Sleep(20);
    g_once_done = true;
}

void OnceRunsOnceAndEveryCallerWaitsForIt() {
    static pthread_once_t once = PTHREAD_ONCE_INIT;
    std::atomic<int> saw_done{0};
    OnThreads(6, [&](int) {
        pthread_once(&once, &OnceRoutine);
        if (g_once_done) ++saw_done;
    });
    EXPECT_EQ(1, g_once_runs.load());
    EXPECT_EQ(6, saw_done.load());
}

std::atomic<int> g_destroyed_sum{0};
std::atomic<int> g_destroyed_calls{0};

void DestroyValue(void* v) {
    g_destroyed_sum += static_cast<int>(reinterpret_cast<intptr_t>(v));
    ++g_destroyed_calls;
}

void SlotValuesArePerThreadAndDestroyedWhenTheThreadEnds() {
    pthread_key_t key;
    ASSERT_EQ(0, pthread_key_create(&key, &DestroyValue));
    std::atomic<int> own{0};
    OnThreads(4, [&](int i) {
        // Thread 0 leaves its slot empty: no destructor for it.
        if (i > 0) pthread_setspecific(key, reinterpret_cast<void*>(intptr_t{i * 10}));
        SetLastError(1234);
        void* v = pthread_getspecific(key);
        if (GetLastError() == 1234 && v == reinterpret_cast<void*>(intptr_t{i * 10})) ++own;
    });
    EXPECT_EQ(4, own.load());
    EXPECT_EQ(3, g_destroyed_calls.load());
    EXPECT_EQ(10 + 20 + 30, g_destroyed_sum.load());
    EXPECT_EQ(nullptr, pthread_getspecific(key));
}

void BroadcastWakesEveryWaiter() {
    static pthread_mutex_t m = PTHREAD_RECURSIVE_MUTEX_INITIALIZER;
    static pthread_cond_t c = PTHREAD_COND_INITIALIZER;
    bool open = false;
    std::atomic<int> waiting{0}, through{0};
    platform::Thread opener;
    struct Ctx {
        bool* open;
        std::atomic<int>* waiting;
    } ctx{&open, &waiting};
    ASSERT_TRUE(opener.Start(
        [](void* p) {
            Ctx* x = static_cast<Ctx*>(p);
            while (x->waiting->load() < 3) Sleep(1);
            Sleep(20);
            pthread_mutex_lock(&m);
            *x->open = true;
            pthread_cond_broadcast(&c);
            pthread_mutex_unlock(&m);
        },
        &ctx));
    OnThreads(3, [&](int) {
        pthread_mutex_lock(&m);
        ++waiting;
        while (!open) pthread_cond_wait(&c, &m);
        pthread_mutex_unlock(&m);
        ++through;
    });
    opener.Join();
    EXPECT_EQ(3, through.load());
}

}  // namespace

int main() {
    ExceptionsAndStaticsOnManyThreads();
    StaticLocksOfEveryKindExcludeEachOther();
    OnceRunsOnceAndEveryCallerWaitsForIt();
    SlotValuesArePerThreadAndDestroyedWhenTheThreadEnds();
    BroadcastWakesEveryWaiter();
    std::printf("%d passed, %d failed\n", g_checks - g_failures, g_failures);
    return g_failures == 0 ? 0 : 1;
}
