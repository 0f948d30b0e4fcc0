#include "package/ZMContainerFile.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>

#include "common/littleendian.h"
#include "engine/crc32.h"
#include "platform/files.h"
#include "platform/thread.h"

namespace {

using platform::FileStream;

std::mutex& SleepLock() {
    static std::mutex m;
    return m;
}

std::function<void(unsigned)>& SleepHook() {
    static std::function<void(unsigned)> hook;
    return hook;
}

void Pause(unsigned ms) {
    std::function<void(unsigned)> hook;
    {
        std::lock_guard<std::mutex> lock(SleepLock());
        hook = SleepHook();
    }
    if (hook) {
        hook(ms);
    } else {
        platform::SleepMs(ms);
    }
}

bool ReadAt(FileStream& f, int64_t pos, void* buf, size_t n) {
    return f.Seek(pos) && f.ReadExact(buf, n);
}

bool IsHeader(const unsigned char* p) {
    return std::memcmp(p, zmcf::kHeaderMagic, 4) == 0 && p[5] == 0 && p[6] == 0 && p[7] == 0;
}

// Offset of the first header at or after `start` (a multiple of 512), -1 when none. Reads a
// window at a time: an 8 MiB host would otherwise cost sixteen thousand tiny reads.
int64_t FindHeader(FileStream& f, int64_t file_size, int64_t start, bool& read_error) {
    constexpr int64_t kWindow = 64 * 1024;
    std::vector<unsigned char> buf(static_cast<size_t>(kWindow));
    int64_t win_start = -1, win_len = 0;
    for (int64_t s = start; s <= zmcf::kHeaderSearchLimit; s += zmcf::kHeaderAlign) {
        if (s + 8 > file_size) return -1;  // nothing further can match
        if (win_start < 0 || s < win_start || s + 8 > win_start + win_len) {
            win_len = std::min(kWindow, file_size - s);
            win_start = s;
            if (!ReadAt(f, s, buf.data(), static_cast<size_t>(win_len))) {
                read_error = true;
                return -1;
            }
        }
        if (IsHeader(&buf[static_cast<size_t>(s - win_start)])) return s;
    }
    return -1;
}

// Reads the chain of records from `pos`. False on a read error (which fails the whole open).
bool ParseChain(FileStream& f, int64_t file_size, int64_t pos,
                std::vector<std::unique_ptr<TZMArchiveBlock>>& blocks) {
    for (int records = 0; records < zmcf::kMaxRecords; ++records) {
        // Fewer bytes than a record's magic hold no record: a removed signature leaves up to
        // 7 zero bytes of padding after the last block.
        if (file_size - pos < 4) break;
        unsigned char fixed[zmcf::kRecordFixedSize];
        if (!ReadAt(f, pos, fixed, 4)) return false;
        if (std::memcmp(fixed, zmcf::kBlockMagic, 4) != 0) break;
        if (!f.ReadExact(fixed + 4, sizeof(fixed) - 4)) return false;

        auto b = std::make_unique<TZMArchiveBlock>();
        b->Offset = pos;
        b->Size = static_cast<int64_t>(le::Get64(fixed + 4));
        b->Crc32 = le::Get32(fixed + 12);
        const uint8_t flags = fixed[16];
        b->CheckCrc = (flags & zmcf::kFlagCheckCrc) != 0;
        b->Scrambled = (flags & zmcf::kFlagScrambled) != 0;
        b->ThirdFlag = (flags & zmcf::kFlagThird) != 0;
        b->Kind = static_cast<uint8_t>(flags >> 4);
        b->XorKey = fixed[17];
        b->NameLength = le::Get16(fixed + 18);
        b->BlockName.resize(b->NameLength);
        if (b->NameLength > 0 && !f.ReadExact(&b->BlockName[0], b->NameLength)) return false;
        XorScramble(&b->BlockName[0], b->BlockName.size(), b->XorKey);

        // A negative size would walk the chain backwards; one whose end does not fit in 64 bits
        // has no next record.
        if (b->Size < 0) break;
        const int64_t name_len = b->NameLength;
        b->DataOffset = pos + zmcf::kRecordFixedSize + name_len;
        b->DataSize = b->Size - 8 - name_len;
        const bool next_fits = b->Size <= std::numeric_limits<int64_t>::max() - 12 - pos;
        const int64_t next = next_fits ? pos + 12 + b->Size : pos;
        if (b->DataSize > 0) blocks.push_back(std::move(b));
        if (next <= pos) break;
        pos = next;
    }
    return true;
}

// Bytes of the block's data present in the file: DataSize, or -1 when the data runs past the end.
bool DataFits(const TZMArchiveBlock& b, int64_t file_size) {
    return b.DataOffset >= 0 && b.DataOffset <= file_size && b.DataSize <= file_size - b.DataOffset;
}

}  // namespace

void XorScramble(void* data, size_t length, uint8_t key) {
    if (key == 0) return;
    auto* p = static_cast<unsigned char*>(data);
    for (size_t i = 0; i < length; ++i) p[i] ^= key;
}

void TZMContainerFile::SetSleepHook(std::function<void(unsigned)> hook) {
    std::lock_guard<std::mutex> lock(SleepLock());
    SleepHook() = std::move(hook);
}

bool TZMContainerFile::Open(const UString& file_name) {
    Blocks.clear();
    FileName.clear();
    Version = 0;
    HeaderOffset = -1;
    FileStream f;
    if (!f.Open(file_name, FileStream::Mode::ReadShared)) return false;
    const int64_t size = f.Size();
    if (size < 0) return false;

    std::vector<std::unique_ptr<TZMArchiveBlock>> found;
    int64_t start = 0;
    for (;;) {
        bool read_error = false;
        const int64_t h = FindHeader(f, size, start, read_error);
        if (h < 0 || read_error) return false;
        unsigned char version = 0;
        if (!ReadAt(f, h + 4, &version, 1)) return false;
        found.clear();
        if (!ParseChain(f, size, h + 8, found)) return false;
        if (!found.empty()) {
            Version = version;
            HeaderOffset = h;
            break;
        }
        start = h + zmcf::kHeaderAlign;
    }
    Blocks = std::move(found);
    FileName = file_name;
    return true;
}

int TZMContainerFile::IndexOfBlock(const AnsiString& name) const {
    for (size_t i = 0; i < Blocks.size(); ++i) {
        if (Blocks[i]->BlockName == name) return static_cast<int>(i);
    }
    return -1;
}

const TZMArchiveBlock* TZMContainerFile::Find(const AnsiString& name) const {
    int i = IndexOfBlock(name);
    return i < 0 ? nullptr : Blocks[static_cast<size_t>(i)].get();
}

AnsiString TZMContainerFile::ReadBlock(const AnsiString& name) const {
    const TZMArchiveBlock* b = Find(name);
    if (b == nullptr) return AnsiString();
    FileStream f;
    if (!f.Open(FileName, FileStream::Mode::ReadShared)) return AnsiString();
    // The size check comes before any allocation: a hostile record may claim exabytes.
    if (!DataFits(*b, f.Size())) return AnsiString();
    if (static_cast<uint64_t>(b->DataSize) > AnsiString().max_size()) return AnsiString();
    AnsiString data;
    try {
        data.resize(static_cast<size_t>(b->DataSize));
    } catch (const std::bad_alloc&) {
        return AnsiString();
    }
    if (!ReadAt(f, b->DataOffset, &data[0], data.size())) return AnsiString();
    if (b->Scrambled) XorScramble(&data[0], data.size(), b->XorKey);
    return data;
}

unsigned TZMContainerFile::StepDelayMs(int64_t data_size, bool fast) {
    if (fast) return 0;
    unsigned delay = 0;
    if (data_size < 100000000) delay = 50;
    if (data_size < 50000000) delay = 100;
    if (data_size < 10000000) delay = 200;
    return delay;
}

int64_t TZMContainerFile::ChunkSize(int64_t data_size) {
    // A hundredth of the data, rounded half to even.
    int64_t q = data_size / 100, r = data_size % 100;
    if (r > 50 || (r == 50 && (q & 1) != 0)) ++q;
    if (q < 64) q = 64;
    if (q > 65536) q = 65536;
    return q;
}

namespace {

// Reads `size` bytes from the file's position a chunk at a time with paced progress reports,
// handing each chunk to `take` as read. Returns the bytes read: fewer when the file ends or a
// read fails early, or when progress set abort (then aborted is set).
int64_t PacedPass(FileStream& f, int64_t size, bool fast, const ProgressCallback& progress,
                  const std::function<void(unsigned char*, size_t)>& take, bool& aborted) {
    aborted = false;
    const unsigned delay = TZMContainerFile::StepDelayMs(size, fast);
    const int64_t chunk = TZMContainerFile::ChunkSize(size);
    std::vector<unsigned char> buf(static_cast<size_t>(chunk));

    auto read_chunk = [&](int64_t want) -> size_t {
        const size_t got = want > 0 ? f.Read(buf.data(), static_cast<size_t>(want)) : 0;
        take(buf.data(), got);
        return got;
    };

    size_t got = read_chunk(std::min(chunk, size));
    int64_t total = static_cast<int64_t>(got);
    int last_percent = 0;
    while (got > 0) {
        got = read_chunk(std::min(chunk, size - total));
        total += static_cast<int64_t>(got);
        const int percent = static_cast<int>(
            std::nearbyint(static_cast<double>(total) / static_cast<double>(size) * 100.0));
        if (percent != last_percent) {
            bool abort = false;
            if (progress) progress(percent, abort);
            last_percent = percent;
            if (delay > 0) Pause(delay);
            if (abort) {
                aborted = true;
                break;
            }
        }
    }
    return total;
}

// Hands [from, to) of the file to sink without progress. False on a read error.
bool Feed(FileStream& f, int64_t from, int64_t to, const ByteSink& sink) {
    if (from >= to) return true;
    std::vector<unsigned char> buf(static_cast<size_t>(std::min<int64_t>(to - from, 1 << 20)));
    if (!f.Seek(from)) return false;
    while (from < to) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(to - from, buf.size()));
        if (!f.ReadExact(buf.data(), n)) return false;
        sink(from, buf.data(), n);
        from += static_cast<int64_t>(n);
    }
    return true;
}

}  // namespace

bool TZMContainerFile::VerifyBlock(const AnsiString& name, bool fast,
                                   const ProgressCallback& progress) const {
    bool aborted = false;
    return VerifyBlockFeeding(name, fast, progress, 0, nullptr, aborted);
}

bool TZMContainerFile::VerifyBlockFeeding(const AnsiString& name, bool fast,
                                          const ProgressCallback& progress, int64_t end,
                                          const ByteSink& sink, bool& aborted) const {
    aborted = false;
    const TZMArchiveBlock* b = Find(name);
    const bool check = b != nullptr && b->CheckCrc;
    if (!check && !sink) return true;
    FileStream f;
    if (!f.Open(FileName, FileStream::Mode::ReadShared)) return false;
    const int64_t file_size = f.Size();
    if (sink && (end < 0 || end > file_size)) return false;
    if (!check) {
        // Nothing to check but the bytes the sink wants, with the progress a check would give.
        if (end == 0) return true;
        int64_t at = 0;
        const auto take = [&](unsigned char* data, size_t n) {
            sink(at, data, n);
            at += static_cast<int64_t>(n);
        };
        if (!f.Seek(0)) return false;
        return PacedPass(f, end, fast, progress, take, aborted) == end || aborted;
    }
    // Data that the file does not hold cannot match its checksum.
    if (!DataFits(*b, file_size)) return false;
    const int64_t data_end = b->DataOffset + b->DataSize;
    if (sink && !Feed(f, 0, std::min(b->DataOffset, end), sink)) return false;
    if (!f.Seek(b->DataOffset)) return false;

    uint32_t crc = 0;
    int64_t at = b->DataOffset;
    const auto take = [&](unsigned char* data, size_t n) {
        if (sink) sink(at, data, n);
        at += static_cast<int64_t>(n);
        if (b->Scrambled) XorScramble(data, n, b->XorKey);
        crc = Crc32Update(crc, data, n);
    };
    PacedPass(f, b->DataSize, fast, progress, take, aborted);
    if (aborted) return true;
    if (crc != b->Crc32) return false;
    return !sink || Feed(f, std::max(data_end, std::min(b->DataOffset, end)), end, sink);
}
