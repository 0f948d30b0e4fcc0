#pragma once
// The package container that follows the executable image in the installer's own file.
//
// Header (8 bytes, at a multiple of 512 no further in than 0x800000):
//   0  4  "ZMCF"
//   4  1  version (1 in the packages we write; stored, not acted on)
//   5  3  reserved, all zero (otherwise it is no header)
// Block records follow the header back to back; all integers little-endian:
//   0  4  'Z' 'B' 'L' 0
//   4  8  record size, signed: 8 + name length + data length
//  12  4  CRC-32 of the plain data
//  16  1  flags: bit 0 CheckCrc, bit 1 Scrambled, bit 2 a third flag (kept only), bits 4-7 Kind
//  17  1  key byte
//  18  2  name length L
//  20  L  name, always XORed with the key byte
//  20+L   data, XORed with the key byte when Scrambled
// The "zip" block is the last one and runs to the end of the file, unscrambled, so that the file
// itself opens as a zip archive.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/types.h"

namespace zmcf {
constexpr char kHeaderMagic[4] = {'Z', 'M', 'C', 'F'};
constexpr char kBlockMagic[4] = {'Z', 'B', 'L', '\0'};
constexpr int64_t kHeaderAlign = 512;
constexpr int64_t kHeaderSearchLimit = 0x800000;  // the last offset searched
constexpr int64_t kRecordFixedSize = 20;          // up to and including the name length
constexpr uint8_t kFlagCheckCrc = 0x01;
constexpr uint8_t kFlagScrambled = 0x02;
constexpr uint8_t kFlagThird = 0x04;
// A chain of more records than this is no package (real ones have a handful).
constexpr int kMaxRecords = 65536;
}  // namespace zmcf

// The single-byte XOR used for names and scrambled data; applying it twice restores the bytes.
void XorScramble(void* data, size_t length, uint8_t key);

class TZMArchiveBlock {
  public:
    int64_t Size = 0;  // record size as stored
    uint32_t Crc32 = 0;
    uint8_t Kind = 0;
    bool CheckCrc = false;
    bool Scrambled = false;
    bool ThirdFlag = false;
    uint8_t XorKey = 0;
    uint32_t NameLength = 0;
    AnsiString BlockName;  // unscrambled
    int64_t Offset = 0;    // of the record's magic
    int64_t DataOffset = 0;
    int64_t DataSize = 0;  // always > 0 for a kept block
};

// percent: 0..100; set abort to stop the check early.
using ProgressCallback = std::function<void(int percent, bool& abort)>;
// Receives a file's bytes as a check reads them: the file offset of the first, then the bytes as
// stored (before any unscrambling).
using ByteSink = std::function<void(int64_t offset, const void* data, size_t size)>;

class TZMContainerFile {
  public:
    UString FileName;  // set only by a successful Open
    uint8_t Version = 0;
    int64_t HeaderOffset = -1;  // of the "ZMCF" header Open found; -1 when it found none
    std::vector<std::unique_ptr<TZMArchiveBlock>> Blocks;

    // Finds the container in the file and lists its blocks. False when the file cannot be read
    // or holds no header followed by at least one block with data.
    bool Open(const UString& file_name);
    // First block with exactly this name, -1 when none.
    int IndexOfBlock(const AnsiString& name) const;
    // The block's plain data; empty when the block is absent, cannot be read, or its recorded
    // data runs past the end of the file.
    AnsiString ReadBlock(const AnsiString& name) const;
    // Checks the block's CRC with paced progress reports. True when the block is absent, not
    // marked for checking, or the check was aborted; false on a mismatch or data cut short.
    bool VerifyBlock(const AnsiString& name, bool fast, const ProgressCallback& progress) const;
    // VerifyBlock that also hands `sink` every byte of the file before `end`, in file order, in
    // the same pass and progress: the bytes before the block and those after it around the
    // block's own. When the block is absent or not marked for checking, the pass goes over the
    // bytes before `end` alone, paced as a block of that size would be. aborted tells whether
    // progress stopped the pass (then the result is true). False on a CRC mismatch or on bytes
    // the file does not hold.
    bool VerifyBlockFeeding(const AnsiString& name, bool fast, const ProgressCallback& progress,
                            int64_t end, const ByteSink& sink, bool& aborted) const;

    // The pause between progress reports goes through this hook; tests record it instead of
    // waiting. nullptr restores the real sleep.
    static void SetSleepHook(std::function<void(unsigned milliseconds)> hook);

    // The pacing rules, exposed for the progress display and for tests.
    static unsigned StepDelayMs(int64_t data_size, bool fast);
    static int64_t ChunkSize(int64_t data_size);

  private:
    const TZMArchiveBlock* Find(const AnsiString& name) const;
};
