#include "engine/writebehind.h"

namespace engine {

WriteBehind::WriteBehind(size_t slice_size) : slice_size_(slice_size) {}

WriteBehind::~WriteBehind() {
    if (!thread_.Started()) return;
    {
        platform::MutexLock g(lock_);
        quit_ = true;
    }
    to_writer_.NotifyOne();
    thread_.Join();
}

bool WriteBehind::Begin(OutputFile& out) {
    if (slices_.empty()) slices_.assign(kSlices, std::vector<uint8_t>(slice_size_));
    if (!thread_.Started() && !thread_.Start(&WriteBehind::Loop, this)) return false;
    platform::MutexLock g(lock_);
    out_ = &out;
    failed_ = false;
    discard_ = false;
    return true;
}

uint8_t* WriteBehind::Acquire() {
    platform::MutexLock g(lock_);
    while (pending_ == kSlices && !failed_) to_caller_.Wait(lock_);
    return failed_ ? nullptr : slices_[next_fill_].data();
}

void WriteBehind::Submit(size_t n) {
    {
        platform::MutexLock g(lock_);
        sizes_[next_fill_] = n;
        next_fill_ = (next_fill_ + 1) % kSlices;
        ++pending_;
    }
    to_writer_.NotifyOne();
}

bool WriteBehind::Finish(bool discard) {
    platform::MutexLock g(lock_);
    discard_ = discard;
    while (pending_ != 0) to_caller_.Wait(lock_);
    out_ = nullptr;
    discard_ = false;
    return !failed_;
}

void WriteBehind::Loop(void* self) { static_cast<WriteBehind*>(self)->Loop(); }

void WriteBehind::Loop() {
    lock_.Lock();
    for (;;) {
        while (pending_ == 0 && !quit_) to_writer_.Wait(lock_);
        if (pending_ == 0) break;  // quit, with nothing left to write
        const size_t i = next_write_;
        OutputFile* out = out_;
        bool ok = true;
        if (!failed_ && !discard_) {
            // The slice is the writer's until it is counted free again.
            lock_.Unlock();
            ok = out->Write(slices_[i].data(), sizes_[i]);
            lock_.Lock();
        }
        if (!ok) failed_ = true;
        next_write_ = (next_write_ + 1) % kSlices;
        --pending_;
        to_caller_.NotifyOne();
    }
    lock_.Unlock();
}

}  // namespace engine
