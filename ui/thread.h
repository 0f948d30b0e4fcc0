#pragma once
// A worker thread with a terminate request, a synchronous call into the main thread and a
// notification on the main thread when it has ended.
#include <atomic>
#include <functional>
#include <memory>

#include "platform/thread.h"

namespace ui {

class TThread {
  public:
    TThread();
    // StopAndWait. A derived class whose Execute uses its own members calls StopAndWait in its
    // own destructor, before they go away.
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Starts Execute on a new thread. A derived class calls it at the end of its constructor,
    // so Execute never sees a half-built object. Throws a std::exception when the system refuses
    // a thread.
    void Start();
    void Terminate() { terminated_ = true; }
    bool Terminated() const { return terminated_; }
    // Execute has returned (OnTerminate may still be queued).
    bool Finished() const { return finished_; }
    // Waits for Execute to return; on the main thread it serves the worker's Synchronize calls
    // meanwhile (and lets other pending messages run).
    void WaitFor();
    // Drops the end notice, asks the thread to terminate and waits for it.
    void StopAndWait();

    // Runs on the main thread after Execute has returned; not run when the object is destroyed
    // first.
    std::function<void()> OnTerminate;

  protected:
    virtual void Execute() = 0;
    // Runs fn on the main thread while this thread waits.
    void Synchronize(const std::function<void()>& fn);

  private:
    static void Run(void* self);

    platform::Thread thread_;
    // The worker's identity, set by the worker before Execute (0 until then).
    std::atomic<uint64_t> worker_id_{0};
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    // Shared with the queued end notification: cleared when the object goes away.
    std::shared_ptr<TThread*> self_;
};

}  // namespace ui
