#include "tools/zmpack/solidchain.h"

#include "engine/crc32.h"
#include "engine/solidformat.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/lzmaencoder.h"

namespace zmpack {
namespace {

constexpr size_t kSlice = 1 << 20;

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

}  // namespace

TSolidChain::TSolidChain(const std::vector<ZipSource>& entries, std::vector<size_t> members,
                         bool x86)
    : entries_(entries), members_(std::move(members)), x86_(x86) {}

// LZMA2 chunk headers: control byte 0 ends the stream; 1 or 2 starts a stored chunk (2 bytes of
// size - 1, big-endian); 0x80 and above an LZMA chunk (bits 0-4 and 2 bytes: unpacked size - 1,
// 2 bytes: packed size - 1, and a properties byte when bits 5-6 are 2 or 3).
void TSolidChain::ParseChunks(const unsigned char* p, size_t n) {
    for (size_t i = 0; i < n;) {
        if (skip_ > 0) {
            const uint64_t take = std::min<uint64_t>(skip_, n - i);
            skip_ -= take;
            i += static_cast<size_t>(take);
            parsed_ += take;
            continue;
        }
        if (header_.empty()) knots_.emplace_back(parsed_input_, parsed_);
        header_.push_back(static_cast<char>(p[i++]));
        ++parsed_;
        const auto* h = reinterpret_cast<const unsigned char*>(header_.data());
        const unsigned c = h[0];
        const size_t need = c == 0 ? 1 : c < 0x80 ? 3 : (((c >> 5) & 3) >= 2 ? 6 : 5);
        if (header_.size() < need) continue;
        if (c == 1 || c == 2) {
            skip_ = ((h[1] << 8) | h[2]) + 1u;
            parsed_input_ += skip_;
        } else if (c >= 0x80) {
            parsed_input_ += ((static_cast<uint64_t>(c & 0x1F) << 16) | (h[1] << 8) | h[2]) + 1;
            skip_ = ((h[3] << 8) | h[4]) + 1u;
        }
        header_.clear();
    }
}

// Each member's share ends where its input ends, mapped to the stream through the chunk starts;
// the last member's share runs to the end of the stream.
void TSolidChain::Cut(uint64_t stream_size) {
    shares_.assign(members_.size(), 0);
    uint64_t previous = 0;
    size_t j = 0;
    for (size_t k = 0; k < members_.size(); ++k) {
        uint64_t end = stream_size;
        if (k + 1 < members_.size() && !knots_.empty()) {
            const uint64_t x = input_ends_[k];
            while (j + 1 < knots_.size() && knots_[j + 1].first <= x) ++j;
            end = knots_[j].second;
            if (j + 1 < knots_.size() && knots_[j + 1].first > knots_[j].first) {
                const uint64_t span_in = knots_[j + 1].first - knots_[j].first;
                const uint64_t span_out = knots_[j + 1].second - knots_[j].second;
                end += span_out * (x - knots_[j].first) / span_in;
            }
            end = std::max(end, previous);
        }
        shares_[k] = end - previous;
        previous = end;
    }
}

bool TSolidChain::Run(const UString& stream_path, std::atomic<uint64_t>& done,
                      const std::atomic<bool>& stop) {
    uint64_t total = 0;
    for (size_t m : members_) total += static_cast<uint64_t>(entries_[m].size);
    dict_prop_ = zipformat::DictPropFor(total);
    TLzmaEncoder encoder;
    if (!encoder.StartLzma2(x86_, dict_prop_)) {
        error_ = "out of memory for the LZMA2 encoder";
        return false;
    }
    platform::FileStream out;
    if (!out.Open(stream_path, platform::FileStream::Mode::CreateAlways)) {
        error_ =
            "cannot create " + U8(stream_path) + ": " + U8(platform::OsErrorText(out.LastError()));
        return false;
    }
    std::vector<unsigned char> in(kSlice), packed;
    uint64_t written = 0, taken = 0;
    auto emit = [&]() {
        ParseChunks(packed.data(), packed.size());
        if (!packed.empty() && !out.Write(packed.data(), packed.size())) {
            error_ = "cannot write " + U8(stream_path) + ": " +
                     U8(platform::OsErrorText(out.LastError()));
            return false;
        }
        written += packed.size();
        packed.clear();
        return true;
    };
    for (size_t m : members_) {
        const ZipSource& s = entries_[m];
        platform::FileStream f;
        if (!f.Open(s.path, platform::FileStream::Mode::ReadShared)) {
            error_ = "cannot open " + U8(s.path) + ": " + U8(platform::OsErrorText(f.LastError()));
            return false;
        }
        uint32_t crc = 0;
        for (uint64_t left = static_cast<uint64_t>(s.size); left > 0;) {
            if (stop.load()) {
                error_ = "stopped";
                return false;
            }
            const size_t n = static_cast<size_t>(std::min<uint64_t>(left, in.size()));
            if (!f.ReadExact(in.data(), n)) {
                error_ = f.LastError() != 0
                             ? "cannot read " + U8(s.path) + ": " +
                                   U8(platform::OsErrorText(f.LastError()))
                             : "file " + U8(s.path) + " became shorter while it was being packed";
                return false;
            }
            crc = Crc32Update(crc, in.data(), n);
            if (!encoder.Code(in.data(), n, false, packed)) {
                error_ = "the LZMA2 encoder failed on " + s.name;
                return false;
            }
            if (!emit()) return false;
            left -= n;
            taken += n;
            done += n;
        }
        crcs_.push_back(crc);
        input_ends_.push_back(taken);
    }
    if (!encoder.Code(nullptr, 0, true, packed) || !emit() || !out.Close()) {
        if (error_.empty()) error_ = "cannot finish " + U8(stream_path);
        return false;
    }
    Cut(written);
    return true;
}

}  // namespace zmpack
