#pragma once
// The engine's inflate: raw deflate data (as a zip entry stores it) expanded in slices, with the
// CRC-32 of everything produced. One implementation is built in: zlib's everywhere, or where the
// build finds it a faster one (inflater_isal.cpp) that gives the same bytes.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace engine {

class Inflater {
  public:
    enum class Status {
        More,     // not at the end yet: give more input, or more room when the output was filled
        End,      // the final block is complete (input left after it is not used)
        Damaged,  // the data is not a valid deflate stream
    };

    // Null when there is no memory for the state.
    static std::unique_ptr<Inflater> Create();
    virtual ~Inflater() = default;

    // Starts a new stream.
    virtual void Reset() = 0;
    // The next slice of input; the previous one must be used up (InputLeft() 0). The bytes must
    // stay in place until they are used.
    virtual void Input(const uint8_t* data, size_t n) = 0;
    virtual size_t InputLeft() const = 0;
    // Expands into out; produced is the count written there. A call that produces nothing with
    // no input left can never produce more: the stream is cut short.
    virtual Status Inflate(uint8_t* out, size_t capacity, size_t& produced) = 0;
    // CRC-32 of all output since Reset.
    virtual uint32_t Crc() const = 0;
};

}  // namespace engine
