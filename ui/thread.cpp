#include "ui/thread.h"

#include <exception>

#include "ui/services.h"

namespace ui {
namespace {

class ThreadRefused : public std::exception {
  public:
    const char* what() const noexcept override { return "the system refused a new thread"; }
};

}  // namespace

TThread::TThread() : self_(std::make_shared<TThread*>(this)) {}

TThread::~TThread() { StopAndWait(); }

void TThread::StopAndWait() {
    *self_ = nullptr;
    Terminate();
    WaitFor();
}

void TThread::Start() {
    if (thread_.Started()) return;
    // As a thread object of the standard library would: the caller learns it by an exception.
    if (!thread_.Start(&TThread::Run, this)) throw ThreadRefused();
}

void TThread::Run(void* p) {
    TThread* t = static_cast<TThread*>(p);
    t->worker_id_ = platform::CurrentThreadId();
    std::weak_ptr<TThread*> weak = t->self_;
    try {
        t->Execute();
    } catch (...) {
        // A worker never takes the process down; the derived class records its own error.
    }
    t->finished_ = true;
    PostToMain([weak] {
        auto self = weak.lock();
        if (self && *self != nullptr && (*self)->OnTerminate) (*self)->OnTerminate();
    });
}

void TThread::WaitFor() {
    if (!thread_.Started() || worker_id_ == platform::CurrentThreadId()) return;
    // The worker may be waiting in Synchronize for this very thread: keep serving it until it
    // has left Execute.
    if (IsMainThread()) {
        while (!finished_) {
            ProcessMessages();
            platform::SleepMs(1);
        }
    }
    thread_.Join();
}

void TThread::Synchronize(const std::function<void()>& fn) { ui::Synchronize(fn); }

}  // namespace ui
