#pragma once
// liblzma's raw encoders as the zip writer uses them: LZMA for method 14 entries and LZMA2
// (optionally behind the x86 branch-call filter) for solid chains, both at preset 9e with a
// dictionary no larger than the data needs (the chains with literal and position bits of their
// own, lzmaencoder.cpp). The output depends only on the input and liblzma's
// version, so zmpack and zmpack.exe write the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zmpack {

class TLzmaEncoder {
  public:
    TLzmaEncoder();
    ~TLzmaEncoder();
    TLzmaEncoder(const TLzmaEncoder&) = delete;
    TLzmaEncoder& operator=(const TLzmaEncoder&) = delete;

    // Method 14 for `size` bytes of input; `header` gets the 9 bytes that start the entry's data
    // (LZMA SDK version, properties size, properties). False when there is no memory.
    bool StartLzma(uint64_t size, std::string& header);
    // A raw LZMA2 stream with the dictionary of the given property (zipformat::DictPropFor).
    bool StartLzma2(bool x86, uint8_t dict_prop);
    // Encodes n bytes and appends what the encoder gives to out; `finish` ends the stream after
    // them. False on an encoder failure.
    bool Code(const uint8_t* in, size_t n, bool finish, std::vector<unsigned char>& out);

  private:
    bool Start(const void* filters);
    struct Stream;
    Stream* stream_;
};

}  // namespace zmpack
