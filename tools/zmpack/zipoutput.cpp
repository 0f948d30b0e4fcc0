#include "tools/zmpack/zipoutput.h"

#include <algorithm>
#include <cstring>

namespace zmpack {
namespace {
constexpr size_t kBufferSize = 1 << 20;
}

TZipOutput::TZipOutput(platform::FileStream& file) : file_(file), base_(file.Position()) {
    if (base_ < 0) base_ = 0;
    buffer_.reserve(kBufferSize);
}

bool TZipOutput::Write(const void* data, size_t size) {
    if (buffer_.size() + size > kBufferSize && !Flush()) return false;
    if (size >= kBufferSize) {
        if (!file_.Write(data, size)) return false;
        file_pos_ += size;
    } else {
        const auto* p = static_cast<const unsigned char*>(data);
        buffer_.insert(buffer_.end(), p, p + size);
    }
    high_water_ = std::max(high_water_, Position());
    return true;
}

bool TZipOutput::Flush() {
    if (buffer_.empty()) return true;
    if (!file_.Write(buffer_.data(), buffer_.size())) return false;
    file_pos_ += buffer_.size();
    buffer_.clear();
    return true;
}

bool TZipOutput::SeekTo(uint64_t position) {
    if (!Flush()) return false;
    if (!file_.Seek(base_ + static_cast<int64_t>(position))) return false;
    file_pos_ = position;
    return true;
}

}  // namespace zmpack
