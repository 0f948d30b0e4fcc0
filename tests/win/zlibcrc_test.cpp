// zlib's checksum calls as the installer and the engine library carry them
// (platform/win32/runtime/zlibcrc_win32.cpp), against the CRC-32 computed bit by bit.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace {

uint32_t BitwiseCrc(uint32_t crc, const unsigned char* p, size_t n) {
    uint32_t c = ~crc;
    while (n-- > 0) {
        c ^= *p++;
        for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

std::vector<unsigned char> Noise(size_t n) {
    std::vector<unsigned char> v(n);
    uint32_t x = 0x2545F491u;
    for (auto& b : v) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<unsigned char>(x >> 7);
    }
    return v;
}

uint32_t Crc(uint32_t start, const unsigned char* p, size_t n) {
    return static_cast<uint32_t>(crc32(start, p, static_cast<uInt>(n)));
}

}  // namespace

TEST(ZlibCrc, KnownValuesAndTheByteTable) {
    const unsigned char check[] = "123456789";
    EXPECT_EQ(Crc(0, check, 9), 0xCBF43926u);
    EXPECT_EQ(crc32(0x12345678u, Z_NULL, 0), 0u) << "no buffer: the start value";
    EXPECT_EQ(Crc(0x12345678u, check, 0), 0x12345678u);
    const z_crc_t* table = get_crc_table();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table, get_crc_table()) << "built once";
    for (unsigned b = 0; b < 256; ++b) {
        const unsigned char byte = static_cast<unsigned char>(b);
        // The table's entry is the register after that byte from a zero register.
        ASSERT_EQ(table[b], ~BitwiseCrc(0xFFFFFFFFu, &byte, 1)) << "entry " << b;
    }
}

// Every length in the byte and eight-byte steps, and the lengths where the three parallel parts
// begin, at each alignment and from different start values.
TEST(ZlibCrc, AgreesWithTheBitwiseSumAtEveryLengthAndAlignment) {
    const std::vector<unsigned char> data = Noise(3 * 4096 * 2 + 64);
    std::vector<size_t> lengths;
    for (size_t n = 0; n <= 80; ++n) lengths.push_back(n);
    for (size_t base : {size_t(3 * 4096), size_t(3 * 4096 + 24), size_t(2 * 3 * 4096)}) {
        for (size_t d = 0; d < 24; ++d) {
            if (base - 12 + d <= data.size() - 8) lengths.push_back(base - 12 + d);
        }
    }
    for (size_t offset = 0; offset < 8; ++offset) {
        for (size_t n : lengths) {
            const uint32_t start = static_cast<uint32_t>(n * 2654435761u + offset);
            ASSERT_EQ(Crc(start, data.data() + offset, n),
                      BitwiseCrc(start, data.data() + offset, n))
                << "length " << n << " at offset " << offset;
        }
    }
}

TEST(ZlibCrc, PiecesChainIntoTheWhole) {
    const std::vector<unsigned char> data = Noise(1 << 20);
    const uint32_t whole = BitwiseCrc(0, data.data(), data.size());
    EXPECT_EQ(Crc(0, data.data(), data.size()), whole);
    for (size_t piece : {size_t(1), size_t(4095), size_t(12289), size_t(262144)}) {
        uint32_t c = 0;
        for (size_t at = 0; at < data.size(); at += piece) {
            const size_t n = data.size() - at < piece ? data.size() - at : piece;
            c = Crc(c, data.data() + at, n);
        }
        EXPECT_EQ(c, whole) << "in pieces of " << piece;
    }
}
