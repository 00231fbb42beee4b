// Generated pictures for the logo library's tests.
#pragma once

#include "kovalin/Bitmap.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

namespace logotest {

struct Rgb {
    BYTE r, g, b;
    bool operator==(const Rgb&) const = default;
};

// A 24-bit bitmap (or another depth when asked) whose pixel (x, y) is `color(x, y)`.
std::unique_ptr<kovalin::TBitmap> MakeImage(int width, int height, const std::function<Rgb(int, int)>& color,
                                            kovalin::TPixelFormat format = kovalin::TPixelFormat::pf24bit);
// Smooth colour ramps with a little deterministic noise, like a photograph's sky and shadows.
Rgb PhotoLike(int x, int y, int width, int height);

Rgb PixelOf(kovalin::TBitmap& bitmap, int x, int y);  // 24-bit bitmaps
BYTE IndexOf(kovalin::TBitmap& bitmap, int x, int y); // 8-bit bitmaps
std::vector<PALETTEENTRY> PaletteOf(kovalin::TBitmap& bitmap);
std::vector<PALETTEENTRY> StockPalette();

} // namespace logotest
