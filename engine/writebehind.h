#pragma once
// Writing behind: the data of a large file is written by a second thread while the calling
// thread reads, decrypts and expands the next slices, so the two halves of the work run on two
// cores. Only the writing moves: every callback stays with the caller, which learns of a failed
// write at its next Acquire or at Finish. The slices are few and fixed, so memory stays flat.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/outputfile.h"
#include "platform/thread.h"

namespace engine {

class WriteBehind {
  public:
    static constexpr size_t kSlices = 4;

    explicit WriteBehind(size_t slice_size);
    ~WriteBehind();
    WriteBehind(const WriteBehind&) = delete;
    WriteBehind& operator=(const WriteBehind&) = delete;

    // Starts writing to out (opened, and kept open until Finish has returned). The thread is
    // started on first use and serves every file of the operation; false when the system gives
    // no thread (the caller then writes the file itself).
    bool Begin(OutputFile& out);
    // A free slice of SliceSize() bytes to fill; waits while all are queued. Null once a write
    // has failed: nothing more is written.
    uint8_t* Acquire();
    size_t SliceSize() const { return slice_size_; }
    // Queues the first n bytes of the slice Acquire gave last.
    void Submit(size_t n);
    // Waits until every queued slice is written, or with discard until the slice being written
    // is done (the rest is dropped). False when a write failed (the file's LastError tells why).
    bool Finish(bool discard = false);

  private:
    static void Loop(void* self);
    void Loop();

    const size_t slice_size_;
    std::vector<std::vector<uint8_t>> slices_;
    size_t sizes_[kSlices] = {};
    platform::Mutex lock_;
    platform::Condition to_writer_, to_caller_;
    platform::Thread thread_;
    OutputFile* out_ = nullptr;
    size_t next_fill_ = 0;   // the slice Acquire gives
    size_t next_write_ = 0;  // the oldest queued slice
    size_t pending_ = 0;     // queued or being written
    bool failed_ = false;
    bool discard_ = false;
    bool quit_ = false;
};

}  // namespace engine
