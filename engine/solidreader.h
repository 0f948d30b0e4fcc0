#pragma once
// The data of LZMA entries (method 14) and of solid chain members (engine/solidformat.h), decoded
// through liblzma in slices. A chain is read strictly in archive order: a member's output may need
// stream bytes stored in the members after it, which are found by reading on through their local
// headers, each checked to be the next member of the same chain. A member that was passed over
// (a file kept, a name refused) is decoded and discarded when a later member is asked for.
//
// Every read stays inside the archive's entry data (before the central directory); a dictionary
// above kMaxDictSize, a member out of order, a stream cut short, damaged or running past the
// chain's last member is an error of the entry being read, and the chain stays unusable after it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/zipformat.h"

namespace engine {

class SolidReader {
  public:
    // Borrowed; both outlive the reader.
    SolidReader(zipformat::ByteSource& source, const zipformat::ZipEnd& end);
    ~SolidReader();
    SolidReader(const SolidReader&) = delete;
    SolidReader& operator=(const SolidReader&) = delete;

    static bool Handles(uint16_t method);

    // Prepares the output of `entry` (method 14 or a chain member) whose data starts at data_pos
    // (from ZipDirectory::LocateData). 0, or an engine error with the reason in why.
    int Begin(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why);
    // The next output of the entry, at most `capacity` bytes; produced 0 only once the entry is
    // complete. 0, or an engine error with why.
    int Read(uint8_t* out, size_t capacity, size_t& produced, std::string& why);
    // Called when the entry's whole output has been read: the checks of its end.
    int End(std::string& why);
    // Called for every chain member after the extraction dealt with it, read or not: a first
    // member that was not read starts its chain here, so that its bytes can be decoded and
    // dropped when a later member is asked for.
    void Pass(const zipformat::ZipEntry& entry, int64_t data_pos);

  private:
    struct Member {
        uint32_t index = 0;
        bool last = false;
        int64_t header_pos = 0;  // of its local header
        int64_t data_pos = 0;
        int64_t data_end = 0;
        uint64_t size = 0;
    };
    int BeginLzma(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why);
    int BeginMember(const zipformat::ZipEntry& entry, int64_t data_pos, std::string& why);
    int StartDecoder(uint64_t filter_id, uint8_t filter, const void* options, std::string& why);
    // Reads the local header after the last known member; 0 or an error.
    int Discover(std::string& why);
    // Gives the decoder its next input when it has none; false when the chain's data is used up.
    int Refill(bool& have_input, std::string& why);
    // Output into out (capacity, produced); the shared core of Read and of discarding.
    int Decode(uint8_t* out, size_t capacity, size_t& produced, std::string& why);
    int Broken(int error, const std::string& text, std::string& why);
    const Member* Known(uint32_t index) const;

    zipformat::ByteSource& source_;
    const zipformat::ZipEnd& end_;
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::vector<uint8_t> in_;

    bool chain_ = false;   // a chain is being read (else a method 14 entry, or nothing)
    bool usable_ = false;  // the decoder may go on
    bool ended_ = false;   // the decoder reported the end of its stream
    // Chain: members from the oldest still needed, by index; the cursor is the member region the
    // next input comes from, `output` the member whose bytes are produced.
    std::deque<Member> known_;
    int64_t chain_start_ = -1;  // local header of the current chain's member 0
    uint32_t cursor_ = 0;
    int64_t cursor_pos_ = 0;
    uint32_t output_ = 0;
    uint64_t output_left_ = 0;
    // A method 14 entry: its one region.
    int64_t single_pos_ = 0, single_end_ = 0;
};

}  // namespace engine
