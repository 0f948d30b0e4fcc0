#pragma once
// CRC-32 as zip and the package container record it (reflected, polynomial 0xEDB88320, preset
// and complemented), for every layer from the engine up. The build picks the fastest
// implementation it finds (crc32_isal.cpp natively where the library is installed, else
// crc32_zlib.cpp); both give the same values.
#include <cstddef>
#include <cstdint>

// CRC-32 of n more bytes after crc (0 to start): Crc32Update(Crc32Update(0, a), b) is the CRC-32
// of a followed by b. Any length; data may be null when n is 0.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t n);

// The 256-entry table of the byte steps (zlib's). Kept apart from Crc32Update (crc32table.cpp),
// so a program that only computes sums does not carry it.
const uint32_t* Crc32Table();
