#pragma once
// Shared by the fuzz targets: the libFuzzer entry point and the input caps. The same sources link
// either with libFuzzer (clang, ZM_FUZZ) or with replay_main.cpp, which feeds them a corpus.
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace zmfuzz {
// Inputs above these sizes are ignored: bigger ones only slow the search down.
constexpr size_t kSmallCap = 64 * 1024;
constexpr size_t kLargeCap = 1024 * 1024;
}  // namespace zmfuzz
