#pragma once
// The LZ77 stream the component's resources are packed with (the engine library image and the
// message tables).
//
// Layout:
//   offset 0  4 bytes  expanded size, 32-bit little-endian
//   offset 4  groups   one flags byte, then up to eight items; flag bits are taken from bit 0
//                      upward: a set bit is a literal (one byte), a clear bit a match (b1, b2)
// A match copies (b2 & 0x0F) + 3 bytes from the 4096-byte history window, starting at window
// position b1 + (b2 & 0xF0) * 16: a 12-bit position, not a distance. The window starts as zeros
// with the write position at 0xFF0; every output byte is stored at the write position, which then
// advances modulo 4096, and so does the read position of a match.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/files.h"

// Where expanded bytes come from and go to. Small on purpose: memory and files are all we need.
class TZMInStream {
  public:
    virtual ~TZMInStream() = default;
    // Up to n bytes; 0 at the end.
    virtual size_t Read(void* buffer, size_t n) = 0;
};

class TZMOutStream {
  public:
    virtual ~TZMOutStream() = default;
    // All n bytes or false.
    virtual bool Write(const void* buffer, size_t n) = 0;
};

class TZMMemoryInStream : public TZMInStream {
  public:
    TZMMemoryInStream(const void* data, size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    size_t Read(void* buffer, size_t n) override;
    size_t Position() const { return pos_; }

  private:
    const unsigned char* data_;
    size_t size_;
    size_t pos_ = 0;
};

class TZMStringOutStream : public TZMOutStream {
  public:
    explicit TZMStringOutStream(std::string& out) : out_(out) {}
    bool Write(const void* buffer, size_t n) override;

  private:
    std::string& out_;
};

class TZMFileOutStream : public TZMOutStream {
  public:
    explicit TZMFileOutStream(platform::FileStream& file) : file_(file) {}
    bool Write(const void* buffer, size_t n) override { return file_.Write(buffer, n); }

  private:
    platform::FileStream& file_;
};

enum : int {
    kLz77Ok = 0,
    kLz77InputEnded = -1,    // the source ran out before the stream's limit was used up
    kLz77SizeMismatch = -2,  // the stream was read whole but expanded to another size
    kLz77WriteFailed = -3,   // the destination refused the data
};

// Expands one stream from src into dest. limit is the stream's length including its 4-byte size
// field (negative: 2147483647); the stream must be consumed exactly up to it. Result: kLz77Ok
// only when all of it was read and the output length equals the size field.
//
// Hostile input: nothing is allocated from the size field; output past the declared size is never
// written (the result is kLz77SizeMismatch anyway), and a declared size above max_size is refused
// at once with kLz77SizeMismatch.
int ExpandLz77(TZMOutStream& dest, TZMInStream& src, int64_t limit,
               uint32_t max_size = 0xFFFFFFFFu);
