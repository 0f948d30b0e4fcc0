#pragma once
// The compressing side of the zip writer: worker threads turn the entries, in archive order,
// into pieces of entry data (deflated or stored) that the writing thread takes in the same
// order. Memory stays bounded: a worker starts a new entry only while the finished but
// unwritten pieces stay under a budget, and a large entry streams through a short queue.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "tools/zmpack/zipwriter.h"

namespace zmpack {

struct DataPiece {
    std::vector<unsigned char> bytes;
    uint64_t consumed = 0;  // input bytes this piece stands for (for progress)
    // The entry data so far is void: the writer goes back to the entry's data start and the
    // pieces that follow are the entry stored.
    bool restart = false;
};

// What the writer knows about an entry once its data is complete.
struct EntryResult {
    uint16_t method = 0;
    uint16_t flags = 0;  // general purpose flags the method needs
    uint32_t crc = 0;
    uint64_t compressed = 0;
};

class TCompressPipeline {
  public:
    // lzma: every entry that shrinks is LZMA (method 14); else deflated at `level` (0: stored).
    TCompressPipeline(const std::vector<ZipSource>& entries, int level, int threads,
                      bool lzma = false);
    ~TCompressPipeline();
    TCompressPipeline(const TCompressPipeline&) = delete;
    TCompressPipeline& operator=(const TCompressPipeline&) = delete;

    // Writer side, entries strictly in order. Waits until entry i has data or is complete.
    // True when the entry is complete and no piece is queued: `result` is final then.
    bool IsComplete(size_t index, EntryResult& result, std::string& error);
    // Takes the next piece of entry i; false when the entry is complete (or failed: see error).
    bool NextPiece(size_t index, DataPiece& piece, EntryResult& result, std::string& error);
    // Stops the workers (after a failure on the writing side).
    void Abort();

  private:
    struct Slot {
        std::deque<DataPiece> pieces;
        bool complete = false;
        std::string error;
        EntryResult result;
    };

    void WorkerLoop();
    void Compress(size_t index, std::vector<unsigned char>& buffer, void* stream);
    // The entry as LZMA, streamed; false when it did not shrink (nothing finished then, and the
    // file is back at its start for storing it).
    bool CompressLzma(size_t index, platform::FileStream& f, std::vector<unsigned char>& buffer,
                      uint64_t& reported);
    // The rest of the entry stored, from the file's start; `reported` input was counted already.
    void Store(size_t index, platform::FileStream& f, uint64_t reported);
    // Queues a piece; a streaming worker waits while its queue is full. False when aborted.
    bool Push(size_t index, DataPiece piece, bool may_wait);
    // Completes an entry, queueing its last piece in the same step when there is one.
    void Finish(size_t index, const EntryResult& result, const std::string& error,
                DataPiece* last = nullptr);

    const std::vector<ZipSource>& entries_;
    int level_;
    bool lzma_;
    std::vector<Slot> slots_;
    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_take_ = 0;
    size_t next_write_ = 0;
    uint64_t queued_bytes_ = 0;
    bool abort_ = false;
};

}  // namespace zmpack
