#pragma once
// CRC-32 as zip uses it (reflected, polynomial 0xEDB88320). The caller presets the register to
// 0xFFFFFFFF and complements the result; Crc32Update only runs the byte steps.
#include <cstddef>
#include <cstdint>

// The 256-entry table of the byte steps: zlib's, the one Crc32Update runs on.
const uint32_t* Crc32Table();

// Runs the byte steps over the buffer and returns the new register (no preset, no complement).
uint32_t Crc32Update(const void* buffer, size_t length, uint32_t reg);
