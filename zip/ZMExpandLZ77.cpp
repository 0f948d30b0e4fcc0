#include "zip/ZMExpandLZ77.h"

#include <algorithm>
#include <cstring>

#include "common/littleendian.h"

size_t TZMMemoryInStream::Read(void* buffer, size_t n) {
    size_t k = std::min(n, size_ - pos_);
    if (k != 0) std::memcpy(buffer, data_ + pos_, k);
    pos_ += k;
    return k;
}

bool TZMStringOutStream::Write(const void* buffer, size_t n) {
    out_.append(static_cast<const char*>(buffer), n);
    return true;
}

namespace {

// Reads the stream byte by byte under the limit rule: a byte may be taken only while 5 or more
// remain, so a stream read whole leaves exactly 4 (its size field). Buffered, but never asks the
// source for more than the limit allows.
class LimitedReader {
  public:
    LimitedReader(TZMInStream& src, int64_t limit) : src_(src), limit_(limit) {}

    bool Next(unsigned char& b) {
        if (limit_ < 5) return false;
        if (pos_ == len_ && !Fill()) {
            limit_ = 0;
            return false;
        }
        b = buf_[pos_++];
        --limit_;
        return true;
    }
    int64_t Limit() const { return limit_; }

  private:
    bool Fill() {
        int64_t want = std::min<int64_t>(static_cast<int64_t>(sizeof(buf_)), limit_ - 4);
        len_ = src_.Read(buf_, static_cast<size_t>(want));
        pos_ = 0;
        return len_ != 0;
    }

    TZMInStream& src_;
    int64_t limit_;
    unsigned char buf_[4096];
    size_t pos_ = 0;
    size_t len_ = 0;
};

class BoundedWriter {
  public:
    BoundedWriter(TZMOutStream& dest, uint32_t declared) : dest_(dest), declared_(declared) {}

    void Put(unsigned char b) {
        if (count_ < declared_) {
            buf_[len_++] = b;
            if (len_ == sizeof(buf_)) Flush();
        }
        ++count_;
    }
    bool Flush() {
        if (len_ != 0 && ok_) ok_ = dest_.Write(buf_, len_);
        len_ = 0;
        return ok_;
    }
    uint64_t Count() const { return count_; }

  private:
    TZMOutStream& dest_;
    uint64_t declared_;
    uint64_t count_ = 0;
    unsigned char buf_[4096];
    size_t len_ = 0;
    bool ok_ = true;
};

}  // namespace

int ExpandLz77(TZMOutStream& dest, TZMInStream& src, int64_t limit, uint32_t max_size) {
    if (limit < 0) limit = 2147483647;
    unsigned char head[4];
    size_t got = 0;
    while (got < 4) {
        size_t k = src.Read(head + got, 4 - got);
        if (k == 0) return kLz77InputEnded;
        got += k;
    }
    const uint32_t declared = le::Get32(head);
    if (declared > max_size) return kLz77SizeMismatch;

    unsigned char window[4096];
    std::memset(window, 0, sizeof(window));
    unsigned r = 0xFF0;
    LimitedReader in(src, limit);
    BoundedWriter out(dest, declared);
    auto emit = [&](unsigned char b) {
        window[r] = b;
        r = (r + 1) & 0xFFF;
        out.Put(b);
    };

    unsigned char flags;
    while (in.Next(flags)) {
        for (int bit = 0; bit < 8; ++bit) {
            if (flags & (1u << bit)) {
                unsigned char c;
                if (!in.Next(c)) break;
                emit(c);
            } else {
                unsigned char b1, b2;
                if (!in.Next(b1) || !in.Next(b2)) break;
                unsigned pos = b1 + ((b2 & 0xF0u) << 4);
                unsigned n = (b2 & 0x0Fu) + 3;
                for (unsigned k = 0; k < n; ++k) {
                    emit(window[pos]);
                    pos = (pos + 1) & 0xFFF;
                }
            }
        }
    }
    if (!out.Flush()) return kLz77WriteFailed;
    if (in.Limit() != 4) return kLz77InputEnded;
    return out.Count() == declared ? kLz77Ok : kLz77SizeMismatch;
}
