#include "ui/thread.h"

#include <chrono>

#include "ui/services.h"

namespace ui {

TThread::TThread() : self_(std::make_shared<TThread*>(this)) {}

TThread::~TThread() { StopAndWait(); }

void TThread::StopAndWait() {
    *self_ = nullptr;
    Terminate();
    WaitFor();
}

void TThread::Start() {
    if (thread_.joinable()) return;
    std::weak_ptr<TThread*> weak = self_;
    thread_ = std::thread([this, weak] {
        try {
            Execute();
        } catch (...) {
            // A worker never takes the process down; the derived class records its own error.
        }
        finished_ = true;
        PostToMain([weak] {
            auto self = weak.lock();
            if (self && *self != nullptr && (*self)->OnTerminate) (*self)->OnTerminate();
        });
    });
}

void TThread::WaitFor() {
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
    // The worker may be waiting in Synchronize for this very thread: keep serving it until it
    // has left Execute.
    if (IsMainThread()) {
        while (!finished_) {
            ProcessMessages();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    thread_.join();
}

void TThread::Synchronize(const std::function<void()>& fn) { ui::Synchronize(fn); }

}  // namespace ui
