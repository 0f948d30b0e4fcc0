#include "ui/bitmap.h"

#include "platform/resources.h"

namespace ui {
namespace {

uint32_t Le(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

// Pictures larger than this are not what a window shows; refusing them bounds the allocation.
constexpr int64_t kMaxPixels = 16 * 1024 * 1024;

}  // namespace

bool DecodeBmp(const unsigned char* data, size_t size, TBitmap& out) {
    if (data == nullptr || size < 14 + 40 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t bits_offset = Le(data + 10, 4);
    const unsigned char* info = data + 14;
    const uint32_t info_size = Le(info, 4);
    if (info_size < 40 || info_size > size - 14) return false;
    const int32_t width = static_cast<int32_t>(Le(info + 4, 4));
    const int32_t raw_height = static_cast<int32_t>(Le(info + 8, 4));
    const uint32_t bpp = Le(info + 14, 2);
    const uint32_t compression = Le(info + 16, 4);
    uint32_t colors_used = Le(info + 32, 4);
    // Uncompressed only (3 = bit fields is accepted for 32 bits with the usual masks).
    if (compression != 0 && !(compression == 3 && bpp == 32)) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) return false;
    if (width <= 0 || raw_height == 0 || raw_height == INT32_MIN) return false;
    const bool top_down = raw_height < 0;
    const int64_t height = top_down ? -static_cast<int64_t>(raw_height) : raw_height;
    if (static_cast<int64_t>(width) * height > kMaxPixels) return false;

    std::vector<uint32_t> palette;
    if (bpp <= 8) {
        const uint32_t max_colors = 1u << bpp;
        if (colors_used == 0 || colors_used > max_colors) colors_used = max_colors;
        const uint64_t pal_at = 14ull + info_size;
        if (pal_at + 4ull * colors_used > size) return false;
        for (uint32_t i = 0; i < colors_used; ++i) {
            const unsigned char* q = data + pal_at + 4 * i;
            palette.push_back((uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0]);
        }
    }
    const uint64_t stride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
    if (bits_offset > size || stride * static_cast<uint64_t>(height) > size - bits_offset) {
        return false;
    }
    TBitmap bmp;
    bmp.Width = width;
    bmp.Height = static_cast<int>(height);
    bmp.Pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int64_t y = 0; y < height; ++y) {
        const int64_t src_row = top_down ? y : height - 1 - y;
        const unsigned char* row = data + bits_offset + stride * static_cast<uint64_t>(src_row);
        uint32_t* dst = &bmp.Pixels[static_cast<size_t>(y * width)];
        for (int32_t x = 0; x < width; ++x) {
            uint32_t px = 0;
            if (bpp == 24 || bpp == 32) {
                const unsigned char* q = row + static_cast<size_t>(x) * (bpp / 8);
                px = (uint32_t{q[2]} << 16) | (uint32_t{q[1]} << 8) | q[0];
            } else {
                const uint64_t bit = static_cast<uint64_t>(x) * bpp;
                const unsigned shift = static_cast<unsigned>(8 - bpp - bit % 8);
                const uint32_t index = (row[bit / 8] >> shift) & ((1u << bpp) - 1);
                px = index < palette.size() ? palette[index] : 0;
            }
            dst[x] = px;
        }
    }
    out = std::move(bmp);
    return true;
}

bool LoadBitmapResource(const char* name, TBitmap& out) {
    platform::RcData rc;
    if (!platform::FindRcData(name, rc)) return false;
    return DecodeBmp(rc.data, rc.size, out);
}

}  // namespace ui
