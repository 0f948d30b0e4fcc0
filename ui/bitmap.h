#pragma once
// Pictures for image controls: pixels in memory, decoded from a .bmp file image.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ui {

struct TBitmap {
    int Width = 0;
    int Height = 0;
    // Top row first, 0x00RRGGBB per pixel.
    std::vector<uint32_t> Pixels;
    bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Decodes an uncompressed Windows bitmap file (1, 4, 8, 24 or 32 bits per pixel, either row
// order). False, and out untouched, for anything else or for data that does not hold what its
// headers announce.
bool DecodeBmp(const unsigned char* data, size_t size, TBitmap& out);
// The same from a raw data resource of the program holding a bitmap file.
bool LoadBitmapResource(const char* name, TBitmap& out);

}  // namespace ui
