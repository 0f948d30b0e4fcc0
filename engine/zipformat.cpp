#include "engine/zipformat.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include <zlib.h>

#include "engine/ZMEngineApi.h"
#include "engine/signedimage.h"
#include "engine/solidformat.h"
#include "engine/zipformat_bytes.h"
#include "common/littleendian.h"
#include "platform/codepage.h"

namespace zipformat {
namespace {

constexpr uint32_t kEndSig = 0x06054b50;
constexpr uint32_t kLocatorSig = 0x07064b50;
constexpr uint32_t kZip64EndSig = 0x06064b50;
constexpr uint32_t kCentralSig = 0x02014b50;
constexpr size_t kEndSize = 22;
constexpr size_t kLocatorSize = 20;
constexpr size_t kZip64EndSize = 56;
constexpr size_t kCentralSize = 46;
constexpr size_t kReadChunk = 64 * 1024;

}  // namespace

using namespace bytes;
using le::Get16;
using le::Get32;
using le::Get64;

FileSource::FileSource(platform::FileStream& file, bool whole_file)
    : file_(file), size_(file.Size()) {
    if (!whole_file && size_ > 0) size_ = FindSignedImage(*this).archive_end;
    ahead_len_ = 0;
}

bool FileSource::ReadAt(int64_t offset, void* buffer, size_t n) {
    if (offset < 0 || size_ < 0 || offset > size_ || static_cast<uint64_t>(size_ - offset) < n)
        return false;
    if (n == 0) return true;
    if (offset >= ahead_start_ && static_cast<uint64_t>(offset - ahead_start_) + n <= ahead_len_) {
        std::memcpy(buffer, ahead_.data() + (offset - ahead_start_), n);
        return true;
    }
    constexpr size_t kAhead = 64 * 1024;
    // Large reads go straight to the caller's buffer; small ones fill the read-ahead first.
    const bool direct = n >= kAhead / 2;
    ahead_len_ = 0;
    if (position_ != offset && !file_.Seek(offset)) {
        position_ = -1;
        return false;
    }
    if (direct) {
        if (!file_.ReadExact(buffer, n)) {
            position_ = -1;
            return false;
        }
        position_ = offset + static_cast<int64_t>(n);
        return true;
    }
    const size_t want = static_cast<size_t>(std::min<int64_t>(kAhead, size_ - offset));
    if (ahead_.size() < kAhead) ahead_.resize(kAhead);
    // The read-ahead part is optional: a file that has become shorter still gives what exists.
    size_t got = 0;
    while (got < want) {
        size_t r = file_.Read(ahead_.data() + got, want - got);
        if (r == 0) break;
        got += r;
    }
    if (got < n) {
        position_ = -1;
        return false;
    }
    position_ = offset + static_cast<int64_t>(got);
    ahead_start_ = offset;
    ahead_len_ = got;
    std::memcpy(buffer, ahead_.data(), n);
    return true;
}

bool MemorySource::ReadAt(int64_t offset, void* buffer, size_t n) {
    if (offset < 0 || static_cast<uint64_t>(offset) > size_ || size_ - offset < n) return false;
    if (n != 0) std::memcpy(buffer, data_ + offset, n);
    return true;
}

bool ZipEntry::IsDirectory() const {
    if (!name.empty() && (name.back() == '/' || name.back() == '\\')) return true;
    // Unix folders written without the trailing delimiter.
    return Host() == 3 && ((external_attr >> 16) & 0170000) == 0040000 && size == 0;
}

UString ZipEntry::DecodedName() const {
    if (utf8_name.empty() && !utf8_flag) return platform::OemToWide(name);
    return platform::Utf8ToWide(utf8_name.empty() ? name : utf8_name);
}

bool ZipEntry::IsSymlink() const {
    return Host() == 3 && ((external_attr >> 16) & 0170000) == 0120000;
}

bool ZipEntry::ReadOnly() const {
    if ((external_attr & 1) != 0) return true;
    uint32_t mode = external_attr >> 16;
    return Host() == 3 && mode != 0 && (mode & 0222) == 0;
}

DosTime DecodeDosTime(uint16_t date, uint16_t time) {
    DosTime t;
    t.year = 1980 + (date >> 9);
    t.month = (date >> 5) & 15;
    t.day = date & 31;
    t.hour = time >> 11;
    t.minute = (time >> 5) & 63;
    t.second = (time & 31) * 2;
    return t;
}

bool ZipDirectory::Fail(int error, const std::string& text) {
    if (error_ == 0) {
        error_ = error;
        error_text_ = text;
    }
    return false;
}

bool ZipDirectory::Open(ByteSource* source) {
    source_ = source;
    end_ = ZipEnd();
    error_ = 0;
    error_text_.clear();
    if (source_ == nullptr || source_->Size() < 0) return Fail(ZE_ERR_OPEN_ZIP, "no archive");
    opened_ = false;
    whole_ = false;
    buf_pos_ = buf_len_ = 0;
    if (!FindEndRecord()) return false;
    opened_ = true;
    Rewind();
    return true;
}

bool ZipDirectory::FindEndRecord() {
    const int64_t size = source_->Size();
    if (size < static_cast<int64_t>(kEndSize))
        return Fail(ZE_ERR_NO_CENTRAL, "file too small to hold an archive");
    // The end record with its comment (at most 65535 bytes) is the file's last bytes.
    const int64_t window = std::min<int64_t>(size, kEndSize + 0xFFFF);
    std::vector<uint8_t> tail(static_cast<size_t>(window));
    const int64_t tail_pos = size - window;
    if (!source_->ReadAt(tail_pos, tail.data(), tail.size()))
        return Fail(ZE_ERR_READ, "cannot read the end of the file");
    int64_t found = -1;
    for (int64_t i = window - static_cast<int64_t>(kEndSize); i >= 0; --i) {
        const uint8_t* p = tail.data() + i;
        if (Get32(p) != kEndSig) continue;
        if (static_cast<int64_t>(Get16(p + 20)) == window - i - static_cast<int64_t>(kEndSize)) {
            found = i;
            break;
        }
    }
    if (found < 0) return Fail(ZE_ERR_NO_CENTRAL, "no end of central directory record");
    // A second end record, in the comment or an earlier one whose comment also reaches the end,
    // lets two readers see two different archives in the same bytes.
    for (int64_t i = window - static_cast<int64_t>(kEndSize); i >= 0; --i) {
        if (i == found || Get32(tail.data() + i) != kEndSig) continue;
        if (i > found || static_cast<int64_t>(Get16(tail.data() + i + 20)) ==
                             window - i - static_cast<int64_t>(kEndSize))
            return Fail(ZE_ERR_INVALID_ZIP, "more than one end of central directory record");
    }
    const uint8_t* e = tail.data() + found;
    end_.end_record_pos = tail_pos + found;
    end_.archive_end = size;
    end_.comment.assign(reinterpret_cast<const char*>(e + kEndSize), Get16(e + 20));
    uint16_t disk = Get16(e + 4), cd_disk = Get16(e + 6);
    uint64_t on_disk = Get16(e + 8);
    end_.entry_count = Get16(e + 10);
    end_.cd_size = Get32(e + 12);
    uint64_t cd_offset = Get32(e + 16);
    int64_t cd_end = end_.end_record_pos;

    // A Zip64 end record is used when the locator precedes the end record.
    if (end_.end_record_pos >= static_cast<int64_t>(kLocatorSize)) {
        uint8_t loc[kLocatorSize];
        int64_t loc_pos = end_.end_record_pos - static_cast<int64_t>(kLocatorSize);
        if (!source_->ReadAt(loc_pos, loc, sizeof loc))
            return Fail(ZE_ERR_READ, "cannot read the Zip64 locator");
        if (Get32(loc) == kLocatorSig) {
            if (!ReadZip64(loc_pos, cd_end, cd_offset)) return false;
            disk = 0;
            cd_disk = 0;
            on_disk = end_.entry_count;
        }
    }
    if (disk != 0 || cd_disk != 0 || on_disk != end_.entry_count)
        return Fail(ZE_ERR_MULTI_PART, "the archive spans several disks");
    if (end_.cd_size > static_cast<uint64_t>(cd_end))
        return Fail(ZE_ERR_INVALID_ZIP, "central directory size exceeds the file");
    end_.cd_start = cd_end - static_cast<int64_t>(end_.cd_size);
    if (cd_offset > static_cast<uint64_t>(end_.cd_start))
        return Fail(ZE_ERR_INVALID_ZIP, "central directory offset exceeds the file");
    end_.archive_start = end_.cd_start - static_cast<int64_t>(cd_offset);
    // Each central entry takes 46 bytes at least: a count beyond that is a lie.
    if (end_.entry_count > end_.cd_size / kCentralSize)
        return Fail(ZE_ERR_INVALID_ZIP, "entry count exceeds the central directory");
    return true;
}

bool ZipDirectory::ReadZip64(int64_t locator_pos, int64_t& record_pos, uint64_t& cd_offset) {
    uint8_t loc[kLocatorSize];
    if (!source_->ReadAt(locator_pos, loc, sizeof loc)) return Fail(ZE_ERR_READ, "read failed");
    if (Get32(loc + 4) != 0 || Get32(loc + 16) > 1)
        return Fail(ZE_ERR_MULTI_PART, "the archive spans several disks");
    const uint64_t recorded = Get64(loc + 8);
    // The record normally sits right before the locator; with data in front of the archive the
    // recorded offset is relative to the archive, so that position is tried first.
    uint8_t rec[kZip64EndSize];
    int64_t pos = locator_pos - static_cast<int64_t>(kZip64EndSize);
    bool ok = pos >= 0 && source_->ReadAt(pos, rec, sizeof rec) && Get32(rec) == kZip64EndSig;
    if (!ok && recorded <= static_cast<uint64_t>(locator_pos)) {
        pos = static_cast<int64_t>(recorded);
        ok = locator_pos - pos >= static_cast<int64_t>(kZip64EndSize) &&
             source_->ReadAt(pos, rec, sizeof rec) && Get32(rec) == kZip64EndSig;
    }
    if (!ok) return Fail(ZE_ERR_INVALID_ZIP, "Zip64 end record not found");
    if (Get32(rec + 16) != 0 || Get32(rec + 20) != 0)
        return Fail(ZE_ERR_MULTI_PART, "the archive spans several disks");
    const uint64_t on_disk = Get64(rec + 24);
    end_.entry_count = Get64(rec + 32);
    if (on_disk != end_.entry_count) return Fail(ZE_ERR_MULTI_PART, "several disks");
    end_.cd_size = Get64(rec + 40);
    cd_offset = Get64(rec + 48);
    end_.zip64 = true;
    record_pos = pos;
    return true;
}

void ZipDirectory::Rewind() {
    // A directory held whole is walked again from memory; a larger one is read again.
    buf_pos_ = 0;
    if (!whole_) {
        buf_len_ = 0;
        next_read_ = end_.cd_start;
    }
    read_count_ = 0;
    // A failed walk may be retried from the start; a failed Open may not.
    if (opened_) {
        error_ = 0;
        error_text_.clear();
    }
}

// Makes `need` bytes of the central directory available at buffer_[buf_pos_].
bool ZipDirectory::Fill(size_t need) {
    if (buf_len_ - buf_pos_ >= need) return true;
    const int64_t cd_end = end_.cd_start + static_cast<int64_t>(end_.cd_size);
    const int64_t left = cd_end - next_read_;
    if (static_cast<uint64_t>(left) < need - (buf_len_ - buf_pos_)) return false;
    // The buffer is still unallocated on the first fill; memmove must not see its null pointer.
    if (buf_len_ > buf_pos_)
        std::memmove(buffer_.data(), buffer_.data() + buf_pos_, buf_len_ - buf_pos_);
    buf_len_ -= buf_pos_;
    buf_pos_ = 0;
    size_t want = std::max(need, kReadChunk);
    // The first fill of a directory small enough takes all of it, so later walks read nothing.
    const bool first = next_read_ == end_.cd_start && buf_len_ == 0;
    if (first && end_.cd_size <= kWholeDirectory)
        want = std::max(want, static_cast<size_t>(end_.cd_size));
    if (buffer_.size() < want) buffer_.resize(want);
    size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(want - buf_len_)));
    if (!source_->ReadAt(next_read_, buffer_.data() + buf_len_, n)) {
        Fail(ZE_ERR_READ, "cannot read the central directory");
        return false;
    }
    next_read_ += static_cast<int64_t>(n);
    buf_len_ += n;
    whole_ = first && next_read_ == cd_end;
    return buf_len_ - buf_pos_ >= need;
}

bool ZipDirectory::Next(ZipEntry& entry) {
    if (error_ != 0 || source_ == nullptr) return false;
    if (read_count_ >= end_.entry_count) return false;
    const std::string at = " (central directory entry " + std::to_string(read_count_) + ")";
    if (!Fill(kCentralSize))
        return error_ != 0 ? false
                           : Fail(ZE_ERR_UNEXPECTED_END, "central directory cut short" + at);
    const uint8_t* p = buffer_.data() + buf_pos_;
    if (Get32(p) != kCentralSig) return Fail(ZE_ERR_INVALID_ZIP, "bad central signature" + at);
    const size_t name_len = Get16(p + 28), extra_len = Get16(p + 30), comment_len = Get16(p + 32);
    const size_t total = kCentralSize + name_len + extra_len + comment_len;
    if (!Fill(total))
        return error_ != 0 ? false
                           : Fail(ZE_ERR_UNEXPECTED_END, "central directory cut short" + at);
    p = buffer_.data() + buf_pos_;

    entry = ZipEntry();
    entry.index = read_count_;
    entry.made_by = Get16(p + 4);
    entry.needed = Get16(p + 6);
    entry.flags = Get16(p + 8);
    entry.method = Get16(p + 10);
    entry.dos_time = Get16(p + 12);
    entry.dos_date = Get16(p + 14);
    entry.crc = Get32(p + 16);
    entry.compressed_size = Get32(p + 20);
    entry.size = Get32(p + 24);
    const uint16_t disk = Get16(p + 34);
    entry.internal_attr = Get16(p + 36);
    entry.external_attr = Get32(p + 38);
    entry.local_offset = Get32(p + 42);
    entry.name.assign(reinterpret_cast<const char*>(p + kCentralSize), name_len);
    entry.utf8_flag = (entry.flags & 0x800) != 0;
    if (entry.utf8_flag) entry.utf8_name = entry.name;
    entry.comment.assign(reinterpret_cast<const char*>(p + kCentralSize + name_len + extra_len),
                         comment_len);

    bool need_size = entry.size == 0xFFFFFFFFu, need_csize = entry.compressed_size == 0xFFFFFFFFu;
    bool need_offset = entry.local_offset == 0xFFFFFFFFu, need_disk = disk == 0xFFFF;
    const uint8_t* x = p + kCentralSize + name_len;
    const uint8_t* x_end = x + extra_len;
    while (x_end - x >= 4) {
        const uint16_t id = Get16(x), len = Get16(x + 2);
        const uint8_t* d = x + 4;
        if (static_cast<size_t>(x_end - d) < len) break;  // a cut field is ignored, not trusted
        const uint8_t* d_end = d + len;
        if (id == 0x0001) {
            // Only the fields whose 32-bit value is saturated are present, in this order.
            if (need_size && d_end - d >= 8) entry.size = Get64(d), d += 8, need_size = false;
            if (need_csize && d_end - d >= 8)
                entry.compressed_size = Get64(d), d += 8, need_csize = false;
            if (need_offset && d_end - d >= 8)
                entry.local_offset = Get64(d), d += 8, need_offset = false;
            if (need_disk && d_end - d >= 4) need_disk = Get32(d) != 0;
        } else if (id == 0x5455 && len >= 5 && (d[0] & 1) != 0) {
            entry.has_mtime = true;
            entry.mtime = static_cast<int32_t>(Get32(d + 1));
        } else if (id == 0x7075 && len >= 5 && d[0] == 1 && !entry.utf8_flag) {
            // Unicode path: used only while it still belongs to the stored name.
            uint32_t name_crc =
                static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(entry.name.data()),
                                            static_cast<uInt>(entry.name.size())));
            if (Get32(d + 1) == name_crc)
                entry.utf8_name.assign(reinterpret_cast<const char*>(d + 5), len - 5);
        } else if (id == kSolidExtraId) {
            entry.solid.assign(reinterpret_cast<const char*>(d), len);
        }
        x = d_end;
    }
    if (need_size || need_csize || need_offset)
        return Fail(ZE_ERR_INVALID_ZIP, "saturated size or offset without Zip64 field" + at);
    if (need_disk || disk != 0) return Fail(ZE_ERR_MULTI_PART, "entry on another disk" + at);
    int64_t local_end;
    if (!AddWithin(end_.archive_start, entry.local_offset, kMax, local_end) ||
        !AddWithin(local_end, kLocalSize, end_.cd_start, local_end))
        return Fail(ZE_ERR_INVALID_ZIP, "local header outside the archive" + at);
    if (entry.compressed_size > static_cast<uint64_t>(end_.cd_start - end_.archive_start))
        return Fail(ZE_ERR_INVALID_ZIP, "compressed size exceeds the archive" + at);

    buf_pos_ += total;
    ++read_count_;
    return true;
}

}  // namespace zipformat
