// Bitmap files for image controls, including damaged ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "ui/bitmap.h"

namespace {

void Put(std::string& s, size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
}

// A bitmap file with the given header values and pixel rows (already padded).
std::string Bmp(int32_t width, int32_t height, uint16_t bpp, const std::vector<uint32_t>& palette,
                const std::string& rows) {
    const size_t pal = palette.size() * 4;
    std::string s(14 + 40 + pal, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put(s, 2, static_cast<uint32_t>(s.size() + rows.size()), 4);
    Put(s, 10, static_cast<uint32_t>(14 + 40 + pal), 4);
    Put(s, 14, 40, 4);
    Put(s, 18, static_cast<uint32_t>(width), 4);
    Put(s, 22, static_cast<uint32_t>(height), 4);
    Put(s, 26, 1, 2);
    Put(s, 28, bpp, 2);
    Put(s, 46, static_cast<uint32_t>(palette.size()), 4);
    for (size_t i = 0; i < palette.size(); ++i) Put(s, 54 + 4 * i, palette[i], 4);
    return s + rows;
}

ui::TBitmap Decode(const std::string& file, bool expect_ok = true) {
    ui::TBitmap b;
    EXPECT_EQ(ui::DecodeBmp(reinterpret_cast<const unsigned char*>(file.data()), file.size(), b),
              expect_ok);
    return b;
}

TEST(Bitmap, DecodesRowOrderAndDepths) {
    // 2 x 2, 24 bits, bottom row first: blue red / green white on screen.
    std::string rows24 = std::string("\x00\xFF\x00\xFF\xFF\xFF", 6) + std::string(2, '\0') +
                         std::string("\xFF\x00\x00\x00\x00\xFF", 6) + std::string(2, '\0');
    ui::TBitmap b = Decode(Bmp(2, 2, 24, {}, rows24));
    ASSERT_EQ(b.Width, 2);
    ASSERT_EQ(b.Height, 2);
    EXPECT_EQ(b.Pixels, (std::vector<uint32_t>{0x0000FF, 0xFF0000, 0x00FF00, 0xFFFFFF}));

    // The same picture stored top row first.
    std::string top_down = rows24.substr(8, 8) + rows24.substr(0, 8);
    EXPECT_EQ(Decode(Bmp(2, -2, 24, {}, top_down)).Pixels, b.Pixels);

    // 3 x 1 with 4-bit palette indexes 1, 0, 2.
    std::vector<uint32_t> pal = {0x000000, 0x336699, 0xFFFFFF};
    ui::TBitmap p = Decode(Bmp(3, 1, 4, pal, std::string("\x10\x20\x00\x00", 4)));
    EXPECT_EQ(p.Pixels, (std::vector<uint32_t>{0x336699, 0x000000, 0xFFFFFF}));

    // 1 bit: 9 pixels need two bytes of the row.
    ui::TBitmap m = Decode(Bmp(9, 1, 1, {0x000000, 0xFFFFFF}, std::string("\xA0\x80\x00\x00", 4)));
    EXPECT_EQ(m.Pixels[0], 0xFFFFFFu);
    EXPECT_EQ(m.Pixels[1], 0x000000u);
    EXPECT_EQ(m.Pixels[2], 0xFFFFFFu);
    EXPECT_EQ(m.Pixels[8], 0xFFFFFFu);
}

TEST(Bitmap, RefusesDamagedFiles) {
    const std::string row(8, '\x7F');
    std::string good = Bmp(2, 1, 24, {}, row);
    Decode(good);
    // Every truncation of a good file is refused, never read past its end.
    for (size_t n = 0; n < good.size(); ++n) Decode(good.substr(0, n), false);

    Decode(Bmp(2, 1, 16, {}, row), false);            // depth not handled
    Decode(Bmp(0, 1, 24, {}, row), false);            // no width
    Decode(Bmp(2, 0, 24, {}, row), false);            // no height
    Decode(Bmp(100000, 100000, 24, {}, row), false);  // too large to be a picture
    Decode(Bmp(2, INT32_MIN, 24, {}, row), false);    // height cannot be negated
    std::string palette_cut = Bmp(2, 1, 8, std::vector<uint32_t>(2), std::string(4, '\0'));
    Put(palette_cut, 46, 256, 4);  // announces more colours than the file holds
    Decode(palette_cut, false);
    std::string offset_out = good;
    Put(offset_out, 10, 0xFFFFFFF0u, 4);
    Decode(offset_out, false);

    // Out-of-range palette indexes read as black rather than outside the palette.
    ui::TBitmap b = Decode(Bmp(2, 1, 8, {0x123456}, std::string("\x00\x05\x00\x00", 4)));
    EXPECT_EQ(b.Pixels, (std::vector<uint32_t>{0x123456, 0}));
}

TEST(Bitmap, LoadsFromAResource) {
    std::string file = Bmp(1, 1, 32, {}, std::string("\x01\x02\x03\x00", 4));
    platform::OverrideRcData("TESTLOGO", reinterpret_cast<const unsigned char*>(file.data()),
                             file.size());
    ui::TBitmap b;
    EXPECT_TRUE(ui::LoadBitmapResource("testlogo", b));
    EXPECT_EQ(b.Pixels, (std::vector<uint32_t>{0x030201}));
    platform::OverrideRcData("TESTLOGO", nullptr, 0);
    EXPECT_FALSE(ui::LoadBitmapResource("TESTLOGO", b));
}

}  // namespace
