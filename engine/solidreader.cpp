#include "engine/solidreader.h"

#include <lzma.h>

#include <algorithm>
#include <cstdlib>

#include "common/littleendian.h"
#include "engine/ZMEngineApi.h"
#include "engine/solidformat.h"
#include "engine/zipformat_bytes.h"

namespace engine {
namespace {

constexpr size_t kInputSlice = 64 * 1024;
constexpr size_t kDiscardSlice = 64 * 1024;
const char* const kDamaged = "compressed data is damaged";
const char* const kEarlyEnd = "compressed data ends early";
const char* const kOrder = "solid entries out of archive order";

}  // namespace

struct SolidReader::Stream {
    lzma_stream s = LZMA_STREAM_INIT;
    bool live = false;
    ~Stream() { Stop(); }
    void Stop() {
        if (live) lzma_end(&s);
        s = LZMA_STREAM_INIT;
        live = false;
    }
};

SolidReader::SolidReader(zipformat::ByteSource& source, const zipformat::ZipEnd& end)
    : source_(source), end_(end), stream_(new Stream) {}

SolidReader::~SolidReader() = default;

bool SolidReader::Handles(uint16_t method) {
    return method == zipformat::kMethodLzma || method == zipformat::kMethodSolid;
}

int SolidReader::Broken(int error, const std::string& text, std::string& why) {
    usable_ = false;
    why = text;
    return error;
}

const SolidReader::Member* SolidReader::Known(uint32_t index) const {
    if (known_.empty() || index < known_.front().index) return nullptr;
    const size_t at = index - known_.front().index;
    return at < known_.size() ? &known_[at] : nullptr;
}

int SolidReader::StartDecoder(uint64_t filter_id, uint8_t filter, const void* options,
                              std::string& why) {
    stream_->Stop();
    lzma_filter chain[3];
    size_t n = 0;
    if (filter == zipformat::kSolidFilterX86) chain[n++] = {LZMA_FILTER_X86, nullptr};
    chain[n++] = {filter_id, const_cast<void*>(options)};
    chain[n] = {LZMA_VLI_UNKNOWN, nullptr};
    const lzma_ret r = lzma_raw_decoder(&stream_->s, chain);
    if (r != LZMA_OK) {
        stream_->s = LZMA_STREAM_INIT;
        return Broken(r == LZMA_MEM_ERROR ? ZE_ERR_NO_MEMORY : ZE_ERR_INVALID_ZIP,
                      r == LZMA_MEM_ERROR ? "no memory for the decoder" : kDamaged, why);
    }
    stream_->live = true;
    usable_ = true;
    ended_ = false;
    if (in_.empty()) in_.resize(kInputSlice);
    return 0;
}

int SolidReader::Begin(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why) {
    if (entry.HasDataDescriptor())
        return Broken(ZE_ERR_INVALID_ZIP, "LZMA entry with a data descriptor", why);
    return entry.method == zipformat::kMethodLzma ? BeginLzma(entry, data_pos, why)
                                                  : BeginMember(entry, data_pos, why);
}

int SolidReader::BeginLzma(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why) {
    chain_ = false;
    known_.clear();
    uint8_t h[zipformat::kLzmaHeaderSize];
    if (entry.compressed_size < sizeof h)
        return Broken(ZE_ERR_INVALID_ZIP, "LZMA properties missing", why);
    if (!source_.ReadAt(data_pos, h, sizeof h))
        return Broken(ZE_ERR_READ, "cannot read the archive", why);
    if (le::Get16(h + 2) != 5) return Broken(ZE_ERR_INVALID_ZIP, "bad LZMA properties", why);
    lzma_filter f{LZMA_FILTER_LZMA1, nullptr};
    if (lzma_properties_decode(&f, nullptr, h + 4, 5) != LZMA_OK)
        return Broken(ZE_ERR_INVALID_ZIP, "bad LZMA properties", why);
    const uint32_t dict = static_cast<lzma_options_lzma*>(f.options)->dict_size;
    int error = 0;
    if (dict > zipformat::kMaxDictSize)
        error = Broken(ZE_ERR_INVALID_ZIP, "LZMA dictionary larger than 64 MiB", why);
    else
        error = StartDecoder(LZMA_FILTER_LZMA1, zipformat::kSolidFilterNone, f.options, why);
    std::free(f.options);
    if (error != 0) return error;
    single_pos_ = data_pos + static_cast<int64_t>(sizeof h);
    single_end_ = data_pos + static_cast<int64_t>(entry.compressed_size);
    output_left_ = entry.size;
    return 0;
}

int SolidReader::BeginMember(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why) {
    zipformat::SolidMember m;
    if (!zipformat::ParseSolidMember(entry.solid, m))
        return Broken(ZE_ERR_INVALID_ZIP, "solid entry without a valid member record", why);
    const int64_t header_pos = end_.archive_start + static_cast<int64_t>(entry.local_offset);
    if (m.index == 0) {
        chain_ = false;
        known_.clear();
        if (m.dict_prop > zipformat::kMaxDictProp)
            return Broken(ZE_ERR_INVALID_ZIP, "solid chain dictionary larger than 64 MiB", why);
        lzma_options_lzma options{};
        options.dict_size = static_cast<uint32_t>(zipformat::DictSizeOfProp(m.dict_prop));
        if (int error = StartDecoder(LZMA_FILTER_LZMA2, m.filter, &options, why)) return error;
        Member first;
        first.last = m.last;
        first.header_pos = header_pos;
        first.data_pos = data_pos;
        first.data_end = data_pos + static_cast<int64_t>(entry.compressed_size);
        first.size = entry.size;
        known_.push_back(first);
        chain_ = true;
        chain_start_ = header_pos;
        cursor_ = output_ = 0;
        cursor_pos_ = data_pos;
        output_left_ = entry.size;
        return 0;
    }
    if (!chain_ || !usable_)
        return Broken(ZE_ERR_INVALID_ZIP,
                      "the solid chain of this entry cannot be read (its start is missing or "
                      "damaged)",
                      why);
    if (m.index <= output_) return Broken(ZE_ERR_INVALID_ZIP, kOrder, why);
    // The members passed over since the last one read are decoded and dropped.
    std::vector<uint8_t> scratch;
    for (;;) {
        while (output_left_ > 0) {
            if (scratch.empty()) scratch.resize(kDiscardSlice);
            size_t n = 0;
            if (int error = Decode(scratch.data(), scratch.size(), n, why)) return error;
        }
        if (Known(output_)->last) return Broken(ZE_ERR_INVALID_ZIP, kOrder, why);
        while (Known(output_ + 1) == nullptr)
            if (int error = Discover(why)) return error;
        ++output_;
        output_left_ = Known(output_)->size;
        while (known_.front().index < std::min(output_, cursor_)) known_.pop_front();
        if (output_ == m.index) break;
    }
    const Member* k = Known(m.index);
    if (k->header_pos != header_pos || k->data_pos != data_pos || k->size != entry.size ||
        k->last != m.last ||
        k->data_end - k->data_pos != static_cast<int64_t>(entry.compressed_size))
        return Broken(ZE_ERR_INVALID_ZIP, kOrder, why);
    return 0;
}

void SolidReader::Pass(const zipformat::ZipEntry& entry, int64_t data_pos) {
    zipformat::SolidMember m;
    if (entry.method != zipformat::kMethodSolid || !zipformat::ParseSolidMember(entry.solid, m) ||
        m.index != 0 ||
        chain_start_ == end_.archive_start + static_cast<int64_t>(entry.local_offset))
        return;
    std::string why;
    if (!entry.HasDataDescriptor()) BeginMember(entry, data_pos, why);
}

int SolidReader::Discover(std::string& why) {
    using namespace zipformat::bytes;
    const Member prev = known_.back();
    const char* const missing = "the next member of the solid chain is missing or out of order";
    if (prev.last || prev.index + 1 >= end_.entry_count)
        return Broken(ZE_ERR_INVALID_ZIP, missing, why);
    uint8_t h[kLocalSize];
    int64_t fixed_end = 0;
    if (!AddWithin(prev.data_end, kLocalSize, end_.cd_start, fixed_end))
        return Broken(ZE_ERR_INVALID_ZIP, missing, why);
    if (!source_.ReadAt(prev.data_end, h, sizeof h))
        return Broken(ZE_ERR_READ, "cannot read the archive", why);
    const uint16_t flags = le::Get16(h + 6);
    if (le::Get32(h) != kLocalSig || le::Get16(h + 8) != zipformat::kMethodSolid ||
        (flags & 0x49) != 0)
        return Broken(ZE_ERR_INVALID_ZIP, missing, why);
    const size_t name_len = le::Get16(h + 26), extra_len = le::Get16(h + 28);
    int64_t data_pos = 0;
    if (!AddWithin(fixed_end, name_len + extra_len, end_.cd_start, data_pos))
        return Broken(ZE_ERR_INVALID_ZIP, missing, why);
    std::vector<uint8_t> extra(extra_len);
    if (extra_len > 0 &&
        !source_.ReadAt(fixed_end + static_cast<int64_t>(name_len), extra.data(), extra.size()))
        return Broken(ZE_ERR_READ, "cannot read the archive", why);
    uint64_t size = le::Get32(h + 22), csize = le::Get32(h + 18);
    bool need_size = size == 0xFFFFFFFFu, need_csize = csize == 0xFFFFFFFFu, member = false;
    zipformat::SolidMember m;
    for (size_t at = 0; at + 4 <= extra.size();) {
        const uint16_t id = le::Get16(&extra[at]), len = le::Get16(&extra[at + 2]);
        const size_t d = at + 4;
        if (len > extra.size() - d) break;
        if (id == 0x0001) {
            size_t p = d;
            if (need_size && len >= p - d + 8)
                size = le::Get64(&extra[p]), p += 8, need_size = false;
            if (need_csize && len >= p - d + 8) csize = le::Get64(&extra[p]), need_csize = false;
        } else if (id == zipformat::kSolidExtraId) {
            member = zipformat::ParseSolidMember(
                std::string(reinterpret_cast<const char*>(&extra[d]), len), m);
        }
        at = d + len;
    }
    int64_t data_end = 0;
    if (need_size || need_csize || !member || m.index != prev.index + 1 ||
        !AddWithin(data_pos, csize, end_.cd_start, data_end))
        return Broken(ZE_ERR_INVALID_ZIP, missing, why);
    Member next;
    next.index = m.index;
    next.last = m.last;
    next.header_pos = prev.data_end;
    next.data_pos = data_pos;
    next.data_end = data_end;
    next.size = size;
    known_.push_back(next);
    return 0;
}

int SolidReader::Refill(bool& have_input, std::string& why) {
    lzma_stream& s = stream_->s;
    have_input = s.avail_in > 0;
    if (have_input) return 0;
    int64_t end = single_end_;
    int64_t* pos = &single_pos_;
    if (chain_) {
        while (cursor_pos_ >= Known(cursor_)->data_end) {
            if (Known(cursor_)->last) return 0;
            while (Known(cursor_ + 1) == nullptr)
                if (int error = Discover(why)) return error;
            ++cursor_;
            cursor_pos_ = Known(cursor_)->data_pos;
            while (known_.front().index < std::min(output_, cursor_)) known_.pop_front();
        }
        end = Known(cursor_)->data_end;
        pos = &cursor_pos_;
    }
    if (*pos >= end) return 0;
    const size_t n = static_cast<size_t>(std::min<int64_t>(end - *pos, in_.size()));
    if (!source_.ReadAt(*pos, in_.data(), n))
        return Broken(ZE_ERR_READ, "cannot read the archive", why);
    *pos += static_cast<int64_t>(n);
    s.next_in = in_.data();
    s.avail_in = n;
    have_input = true;
    return 0;
}

int SolidReader::Decode(uint8_t* out, size_t capacity, size_t& produced, std::string& why) {
    produced = 0;
    if (!usable_) return Broken(ZE_ERR_INVALID_ZIP, kDamaged, why);
    capacity = static_cast<size_t>(std::min<uint64_t>(capacity, output_left_));
    if (capacity == 0) return 0;
    if (ended_) return Broken(ZE_ERR_UNEXPECTED_END, kEarlyEnd, why);
    lzma_stream& s = stream_->s;
    for (;;) {
        bool have_input = false;
        if (int error = Refill(have_input, why)) return error;
        s.next_out = out;
        s.avail_out = capacity;
        const lzma_ret r = lzma_code(&s, LZMA_RUN);
        produced = capacity - s.avail_out;
        output_left_ -= produced;
        if (r == LZMA_STREAM_END) {
            ended_ = true;
            if (produced == 0) return Broken(ZE_ERR_UNEXPECTED_END, kEarlyEnd, why);
            return 0;
        }
        if (r == LZMA_MEM_ERROR) return Broken(ZE_ERR_NO_MEMORY, "no memory for the decoder", why);
        if (r != LZMA_OK && r != LZMA_BUF_ERROR) return Broken(ZE_ERR_INVALID_ZIP, kDamaged, why);
        if (produced > 0) return 0;
        if (!have_input || r == LZMA_BUF_ERROR)
            return Broken(ZE_ERR_UNEXPECTED_END, kEarlyEnd, why);
    }
}

int SolidReader::Read(uint8_t* out, size_t capacity, size_t& produced, std::string& why) {
    return Decode(out, capacity, produced, why);
}

int SolidReader::End(std::string& why) {
    if (!chain_ || !Known(output_)->last) return 0;
    // The last member: the stream must end here, with every byte of the chain used.
    chain_ = false;
    lzma_stream& s = stream_->s;
    while (!ended_) {
        bool have_input = false;
        if (int error = Refill(have_input, why)) return error;
        uint8_t spare = 0;
        s.next_out = &spare;
        s.avail_out = 1;
        const lzma_ret r = lzma_code(&s, LZMA_RUN);
        if (s.avail_out == 0)
            return Broken(ZE_ERR_INVALID_ZIP, "data longer than the recorded size", why);
        if (r == LZMA_STREAM_END) break;
        if (r != LZMA_OK || !have_input) return Broken(ZE_ERR_INVALID_ZIP, kDamaged, why);
    }
    ended_ = true;
    const Member* last = Known(cursor_);
    if (s.avail_in != 0 || last == nullptr || !last->last || cursor_pos_ != last->data_end)
        return Broken(ZE_ERR_INVALID_ZIP, "data after the end of the solid chain", why);
    usable_ = false;
    return 0;
}

}  // namespace engine
