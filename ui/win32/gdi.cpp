#include "ui/win32/gdi.h"

#include <cstring>
#include <map>
#include <memory>
#include <tuple>

#include "platform/win32/wide.h"

namespace ui {
namespace win32 {
namespace {

struct TGdiDeleter {
    void operator()(HGDIOBJ h) const {
        if (h != nullptr) DeleteObject(h);
    }
};
using TGdiObject = std::unique_ptr<std::remove_pointer<HGDIOBJ>::type, TGdiDeleter>;

}  // namespace

HFONT FontFor(const Font& font) {
    static std::map<std::tuple<UString, int, bool>, TGdiObject> fonts;
    auto key = std::make_tuple(font.Name, font.Height, font.Bold);
    auto it = fonts.find(key);
    if (it != fonts.end()) return static_cast<HFONT>(it->second.get());
    LOGFONTW lf = {};
    lf.lfHeight = -font.Height;  // the character height in pixels, as the layout gives it
    lf.lfWeight = font.Bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfQuality = DEFAULT_QUALITY;
    wcsncpy(lf.lfFaceName, platform::W(font.Name), LF_FACESIZE - 1);
    HFONT h = CreateFontIndirectW(&lf);
    fonts[key].reset(h);
    return h;
}

COLORREF ColorRef(Color color, int system_index) {
    return color == kDefaultColor ? GetSysColor(system_index) : static_cast<COLORREF>(color);
}

HBRUSH BrushFor(Color color) {
    if (color == kDefaultColor) return GetSysColorBrush(COLOR_BTNFACE);
    static std::map<Color, TGdiObject> brushes;
    auto& slot = brushes[color];
    if (!slot) slot.reset(CreateSolidBrush(static_cast<COLORREF>(color)));
    return static_cast<HBRUSH>(slot.get());
}

HBITMAP MakeBitmap(const TBitmap& bmp) {
    if (bmp.Empty()) return nullptr;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = bmp.Width;
    bi.bmiHeader.biHeight = -bmp.Height;  // top row first, as the pixels are kept
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP h = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (h == nullptr || bits == nullptr) return h;
    // 0x00RRGGBB is exactly the byte order B, G, R, 0 of a 32-bit DIB.
    std::memcpy(bits, bmp.Pixels.data(), bmp.Pixels.size() * sizeof(uint32_t));
    return h;
}

}  // namespace win32
}  // namespace ui
