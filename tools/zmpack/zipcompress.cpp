#include "tools/zmpack/zipcompress.h"

#include <zlib.h>

#include <algorithm>

#include "engine/crc32.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "engine/solidformat.h"
#include "tools/zmpack/lzmaencoder.h"
#include "tools/zmpack/wholedeflate.h"
#include "tools/zmpack/ziprecords.h"

namespace zmpack {
namespace {

constexpr size_t kChunk = 1 << 20;  // input read and output piece size
// Entries up to this size are read whole and deflated in one call (libdeflate works on whole
// buffers only, and gives smaller streams than zlib); larger ones stream through zlib in
// kChunk pieces, so a worker never holds more than about twice this much.
constexpr uint64_t kWholeEntry = 64 << 20;
constexpr uint64_t kQueuedBudget = 8 << 20;  // finished, unwritten data before workers pause
constexpr size_t kStreamQueueDepth = 4;      // pieces a large entry may run ahead
// A large entry that has not shrunk by 1/128 after this much input is stored outright instead
// of deflating it to the end first. The choice depends only on the data, so it is repeatable.
constexpr uint64_t kGiveUpAfter = 4 << 20;

std::string ReadError(const ZipSource& s, platform::FileStream& f) {
    uint32_t code = f.LastError();
    if (code != 0) {
        return "cannot read " + platform::WideToUtf8(s.path) + ": " +
               platform::WideToUtf8(platform::OsErrorText(code));
    }
    return "file " + platform::WideToUtf8(s.path) + " became shorter while it was being packed";
}

}  // namespace

TCompressPipeline::TCompressPipeline(const std::vector<ZipSource>& entries, int level, int threads,
                                     bool lzma)
    : entries_(entries),
      level_(std::max(0, std::min(level, kLevelMax))),
      lzma_(lzma),
      slots_(entries.size()) {
    int n = std::max(1, threads);
    for (int i = 0; i < n; ++i) workers_.emplace_back([this] { WorkerLoop(); });
}

TCompressPipeline::~TCompressPipeline() {
    Abort();
    for (auto& t : workers_) t.join();
}

void TCompressPipeline::Abort() {
    std::lock_guard<std::mutex> lock(mutex_);
    abort_ = true;
    changed_.notify_all();
}

void TCompressPipeline::WorkerLoop() {
    z_stream zs{};
    bool have_stream = false;
    if (level_ > 0 && !lzma_) {
        // The streaming path (entries over kWholeEntry) is zlib's, whose levels stop at 9.
        have_stream =
            deflateInit2(&zs, std::min(level_, 9), Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    std::vector<unsigned char> buffer(kChunk);
    for (;;) {
        size_t index;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            // The entry the writer waits for is always taken, so a full budget never stalls it.
            changed_.wait(lock, [&] {
                return abort_ || next_take_ >= slots_.size() || queued_bytes_ <= kQueuedBudget ||
                       next_take_ == next_write_;
            });
            if (abort_ || next_take_ >= slots_.size()) break;
            index = next_take_++;
        }
        if (level_ > 0 && !lzma_ && !have_stream) {
            Finish(index, EntryResult(), "out of memory for the compressor");
            continue;
        }
        Compress(index, buffer, have_stream ? &zs : nullptr);
    }
    if (have_stream) deflateEnd(&zs);
}

void TCompressPipeline::Compress(size_t index, std::vector<unsigned char>& buffer, void* stream) {
    const ZipSource& s = entries_[index];
    EntryResult result;
    if (s.is_dir) {
        Finish(index, result, std::string());
        return;
    }
    platform::FileStream f;
    if (!f.Open(s.path, platform::FileStream::Mode::ReadShared)) {
        Finish(index, result,
               "cannot open " + platform::WideToUtf8(s.path) + ": " +
                   platform::WideToUtf8(platform::OsErrorText(f.LastError())));
        return;
    }
    const uint64_t size = static_cast<uint64_t>(s.size);
    auto* zs = static_cast<z_stream*>(stream);
    uint64_t reported = 0;
    if (lzma_) {
        if (size > 0 && !CompressLzma(index, f, buffer, reported)) Store(index, f, reported);
        if (size == 0) Store(index, f, 0);
        return;
    }

    if (size <= kWholeEntry) {
        DataPiece piece;
        piece.bytes.resize(static_cast<size_t>(size));
        piece.consumed = size;
        if (size > 0 && !f.ReadExact(piece.bytes.data(), piece.bytes.size())) {
            Finish(index, result, ReadError(s, f));
            return;
        }
        result.crc = Crc32Update(0, piece.bytes.data(), piece.bytes.size());
        result.compressed = size;
        std::vector<unsigned char> packed;
        if (level_ > 0 && DeflateWhole(piece.bytes.data(), piece.bytes.size(), level_, packed)) {
            piece.bytes.swap(packed);
            result.method = kMethodDeflate;
            result.compressed = piece.bytes.size();
        }
        Finish(index, result, std::string(), &piece);
        return;
    }

    if (zs != nullptr) {
        deflateReset(zs);
        uint64_t in_total = 0, out_total = 0;
        uint32_t crc = 0;
        bool give_up = false;
        DataPiece piece;
        piece.bytes.resize(kChunk);
        size_t fill = 0;
        while (in_total < size && !give_up) {
            size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - in_total));
            if (!f.ReadExact(buffer.data(), n)) {
                Finish(index, result, ReadError(s, f));
                return;
            }
            crc = Crc32Update(crc, buffer.data(), n);
            in_total += n;
            piece.consumed += n;
            int flush = in_total == size ? Z_FINISH : Z_NO_FLUSH;
            zs->next_in = buffer.data();
            zs->avail_in = static_cast<uInt>(n);
            int ret;
            do {
                if (fill == kChunk) {
                    reported += piece.consumed;
                    if (!Push(index, std::move(piece), true)) return;
                    piece = DataPiece();
                    piece.bytes.resize(kChunk);
                    fill = 0;
                }
                zs->next_out = piece.bytes.data() + fill;
                zs->avail_out = static_cast<uInt>(kChunk - fill);
                ret = deflate(zs, flush);
                if (ret == Z_STREAM_ERROR) {
                    Finish(index, result, "compressor failed on " + s.name);
                    return;
                }
                size_t made = (kChunk - fill) - zs->avail_out;
                fill += made;
                out_total += made;
            } while (zs->avail_out == 0 || (flush == Z_FINISH && ret != Z_STREAM_END));
            if (in_total >= kGiveUpAfter && in_total < size &&
                out_total >= in_total - in_total / 128) {
                give_up = true;
            }
        }
        if (!give_up && out_total < size) {
            piece.bytes.resize(fill);
            reported += piece.consumed;
            result.method = kMethodDeflate;
            result.crc = crc;
            result.compressed = out_total;
            Finish(index, result, std::string(), &piece);
            return;
        }
        reported += piece.consumed;
        DataPiece restart;
        restart.restart = true;
        if (!Push(index, std::move(restart), true)) return;
        if (!f.Seek(0)) {
            Finish(index, result, ReadError(s, f));
            return;
        }
    }

    Store(index, f, reported);
}

void TCompressPipeline::Store(size_t index, platform::FileStream& f, uint64_t reported) {
    // Stored: the file's bytes as they are.
    const ZipSource& s = entries_[index];
    const uint64_t size = static_cast<uint64_t>(s.size);
    EntryResult result;
    uint64_t total = 0;
    uint32_t crc = 0;
    while (total < size) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - total));
        DataPiece piece;
        piece.bytes.resize(n);
        if (!f.ReadExact(piece.bytes.data(), n)) {
            Finish(index, result, ReadError(s, f));
            return;
        }
        crc = Crc32Update(crc, piece.bytes.data(), n);
        total += n;
        uint64_t fresh = total > reported ? std::min<uint64_t>(n, total - reported) : 0;
        reported += fresh;
        piece.consumed = fresh;
        if (!Push(index, std::move(piece), true)) return;
    }
    result.method = kMethodStore;
    result.crc = crc;
    result.compressed = size;
    Finish(index, result, std::string());
}

bool TCompressPipeline::CompressLzma(size_t index, platform::FileStream& f,
                                     std::vector<unsigned char>& buffer, uint64_t& reported) {
    const ZipSource& s = entries_[index];
    const uint64_t size = static_cast<uint64_t>(s.size);
    TLzmaEncoder encoder;
    std::string header;
    if (!encoder.StartLzma(size, header)) {
        Finish(index, EntryResult(), "out of memory for the LZMA encoder");
        return true;
    }
    DataPiece piece;
    piece.bytes.assign(header.begin(), header.end());
    uint64_t in_total = 0, out_total = header.size();
    uint32_t crc = 0;
    bool pushed = false;
    while (in_total < size) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, size - in_total));
        if (!f.ReadExact(buffer.data(), n)) {
            Finish(index, EntryResult(), ReadError(s, f));
            return true;
        }
        crc = Crc32Update(crc, buffer.data(), n);
        in_total += n;
        piece.consumed += n;
        const size_t had = piece.bytes.size();
        if (!encoder.Code(buffer.data(), n, in_total == size, piece.bytes)) {
            Finish(index, EntryResult(), "the LZMA encoder failed on " + s.name);
            return true;
        }
        out_total += piece.bytes.size() - had;
        // As with deflate: a large entry that does not shrink is stored without going on.
        if (in_total >= kGiveUpAfter && in_total < size && out_total >= in_total - in_total / 128)
            break;
        if (piece.bytes.size() >= kChunk && in_total < size) {
            reported += piece.consumed;
            if (!Push(index, std::move(piece), true)) return true;
            piece = DataPiece();
            pushed = true;
        }
    }
    if (in_total == size && out_total < size) {
        reported += piece.consumed;
        EntryResult result;
        result.method = kMethodLzma;
        result.flags = zipformat::kLzmaEosFlag;
        result.crc = crc;
        result.compressed = out_total;
        Finish(index, result, std::string(), &piece);
        return true;
    }
    if (pushed) {
        DataPiece restart;
        restart.restart = true;
        if (!Push(index, std::move(restart), true)) return true;
    }
    if (!f.Seek(0)) {
        Finish(index, EntryResult(), ReadError(s, f));
        return true;
    }
    return false;
}

bool TCompressPipeline::Push(size_t index, DataPiece piece, bool may_wait) {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[index];
    if (may_wait) {
        changed_.wait(lock, [&] { return abort_ || slot.pieces.size() < kStreamQueueDepth; });
    }
    if (abort_) return false;
    queued_bytes_ += piece.bytes.size();
    slot.pieces.push_back(std::move(piece));
    changed_.notify_all();
    return true;
}

void TCompressPipeline::Finish(size_t index, const EntryResult& result, const std::string& error,
                               DataPiece* last) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot& slot = slots_[index];
    if (last != nullptr && error.empty() && (!last->bytes.empty() || last->consumed > 0)) {
        queued_bytes_ += last->bytes.size();
        slot.pieces.push_back(std::move(*last));
    }
    slot.result = result;
    slot.error = error;
    slot.complete = true;
    changed_.notify_all();
}

bool TCompressPipeline::IsComplete(size_t index, EntryResult& result, std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (next_write_ != index) {
        next_write_ = index;
        changed_.notify_all();
    }
    Slot& slot = slots_[index];
    changed_.wait(lock, [&] { return abort_ || slot.complete || !slot.pieces.empty(); });
    result = slot.result;
    error = slot.error;
    return slot.complete;
}

bool TCompressPipeline::NextPiece(size_t index, DataPiece& piece, EntryResult& result,
                                  std::string& error) {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[index];
    changed_.wait(lock, [&] { return abort_ || slot.complete || !slot.pieces.empty(); });
    if (!slot.pieces.empty()) {
        piece = std::move(slot.pieces.front());
        slot.pieces.pop_front();
        queued_bytes_ -= piece.bytes.size();
        changed_.notify_all();
        return true;
    }
    result = slot.result;
    error = abort_ && !slot.complete ? std::string("stopped") : slot.error;
    next_write_ = index + 1;
    changed_.notify_all();
    return false;
}

}  // namespace zmpack
