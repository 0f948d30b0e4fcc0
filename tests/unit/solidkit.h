#pragma once
// Solid chains for tests, made directly with liblzma and zipkit: one LZMA2 stream over the files'
// joined bytes, shared among the members as the test says, so that hostile chains (reordered,
// cut, with a dictionary that lies) can be built as easily as sound ones.
#include <cstdint>
#include <string>
#include <vector>

#include "tests/unit/zipkit.h"

namespace solidkit {

struct File {
    std::string name, data;
};

// The raw LZMA2 stream (preset 6, the dictionary of `dict_prop`), after the x86 filter when asked.
std::string Lzma2(const std::string& data, uint8_t dict_prop, bool x86 = false);

// The members of one chain: the stream cut into equal shares (the last takes the rest); member 0
// records `recorded_prop` as its dictionary (the true one when 0xFF).
std::vector<zipkit::Entry> Chain(const std::vector<File>& files, uint8_t dict_prop = 16,
                                 bool x86 = false, uint8_t recorded_prop = 0xFF);

}  // namespace solidkit
