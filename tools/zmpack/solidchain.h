#pragma once
// One solid chain of a package (engine/solidformat.h, doc/format.md): its members' files, in
// order, compressed as one raw LZMA2 stream into a temporary file, and where the stream is cut
// between them. The stream is cut near each member's end: the chunk headers of LZMA2 tell where
// each chunk's input and output start, and a member's input end is mapped to the stream through
// them (in between, in proportion), so every member's share says roughly what it cost and no
// flush costs bytes. The cuts depend only on the stream, so they are as reproducible as it is.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/zmpack/zipwriter.h"

namespace zmpack {

class TSolidChain {
  public:
    // entries: the archive's entries (borrowed); members: indexes into it, in chain order.
    TSolidChain(const std::vector<ZipSource>& entries, std::vector<size_t> members, bool x86);

    // Compresses every member into `stream_path` (created); false with Error(). `done` grows by
    // the input bytes taken; `stop` set by another thread ends the work early (false).
    bool Run(const UString& stream_path, std::atomic<uint64_t>& done,
             const std::atomic<bool>& stop);

    const std::vector<size_t>& Members() const { return members_; }
    bool X86() const { return x86_; }
    uint8_t DictProp() const { return dict_prop_; }
    // After Run: per member, in order.
    const std::vector<uint32_t>& Crcs() const { return crcs_; }
    const std::vector<uint64_t>& Shares() const { return shares_; }  // stream bytes
    const std::string& Error() const { return error_; }

  private:
    void ParseChunks(const unsigned char* p, size_t n);
    void Cut(uint64_t stream_size);

    const std::vector<ZipSource>& entries_;
    std::vector<size_t> members_;
    bool x86_;
    uint8_t dict_prop_ = 0;
    std::vector<uint32_t> crcs_;
    std::vector<uint64_t> shares_;
    std::vector<uint64_t> input_ends_;  // cumulative input at each member's end
    // Chunk starts: (input offset, stream offset), and the parser's state.
    std::vector<std::pair<uint64_t, uint64_t>> knots_;
    uint64_t parsed_ = 0, parsed_input_ = 0, skip_ = 0;
    std::string header_;
    std::string error_;
};

}  // namespace zmpack
