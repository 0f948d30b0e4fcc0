// The inflater on zlib, the reference every build has.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/inflater.h"

namespace engine {
namespace {

class ZlibInflater : public Inflater {
  public:
    ZlibInflater() { std::memset(&stream_, 0, sizeof stream_); }
    ~ZlibInflater() override {
        if (ready_) inflateEnd(&stream_);
    }
    bool Init() { return ready_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }

    void Reset() override {
        inflateReset(&stream_);
        stream_.avail_in = 0;
        crc_ = crc32(0L, Z_NULL, 0);
    }
    void Input(const uint8_t* data, size_t n) override {
        stream_.next_in = const_cast<Bytef*>(data);
        stream_.avail_in = static_cast<uInt>(n);
    }
    size_t InputLeft() const override { return stream_.avail_in; }
    Status Inflate(uint8_t* out, size_t capacity, size_t& produced) override {
        stream_.next_out = out;
        stream_.avail_out = static_cast<uInt>(std::min<size_t>(capacity, UINT_MAX));
        const uInt room = stream_.avail_out;
        const int r = inflate(&stream_, Z_NO_FLUSH);
        produced = room - stream_.avail_out;
        crc_ = crc32(crc_, out, static_cast<uInt>(produced));
        if (r == Z_STREAM_END) return Status::End;
        // Z_BUF_ERROR: no progress was possible with what was given.
        return r == Z_OK || r == Z_BUF_ERROR ? Status::More : Status::Damaged;
    }
    uint32_t Crc() const override { return static_cast<uint32_t>(crc_); }

  private:
    z_stream stream_;
    bool ready_ = false;
    uLong crc_ = 0;
};

}  // namespace

std::unique_ptr<Inflater> Inflater::Create() {
    std::unique_ptr<ZlibInflater> z(new ZlibInflater);
    if (!z->Init()) return nullptr;
    z->Reset();
    return z;
}

}  // namespace engine
