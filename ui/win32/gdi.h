#pragma once
// GDI objects the backend shares between windows: fonts and brushes are made once per value and
// live as long as the process; bitmaps belong to the image control that shows them.
#include <windows.h>

#include "ui/bitmap.h"
#include "ui/types.h"

namespace ui {
namespace win32 {

HFONT FontFor(const Font& font);
// A solid brush of the colour (kDefaultColor: the system's face colour).
HBRUSH BrushFor(Color color);
COLORREF ColorRef(Color color, int system_index);

// A device-independent bitmap with the pixels; the caller owns it.
HBITMAP MakeBitmap(const TBitmap& bmp);

class TBitmapHandle {
  public:
    TBitmapHandle() = default;
    ~TBitmapHandle() { Reset(nullptr); }
    TBitmapHandle(const TBitmapHandle&) = delete;
    TBitmapHandle& operator=(const TBitmapHandle&) = delete;
    void Reset(HBITMAP h) {
        if (handle_ != nullptr) DeleteObject(handle_);
        handle_ = h;
    }
    HBITMAP Get() const { return handle_; }

  private:
    HBITMAP handle_ = nullptr;
};

}  // namespace win32
}  // namespace ui
