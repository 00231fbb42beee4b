#include "tests/plugins/logo/LogoImages.h"

namespace logotest {

using namespace kovalin;

std::unique_ptr<TBitmap> MakeImage(int width, int height, const std::function<Rgb(int, int)>& color,
                                   TPixelFormat format) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetPixelFormat(TPixelFormat::pf24bit);
    bmp->SetSize(width, height);
    for (int y = 0; y < height; ++y) {
        auto* row = static_cast<BYTE*>(bmp->ScanLine(y));
        for (int x = 0; x < width; ++x) {
            Rgb c = color(x, y);
            row[3 * x] = c.b;
            row[3 * x + 1] = c.g;
            row[3 * x + 2] = c.r;
        }
    }
    bmp->SetPixelFormat(format);
    return bmp;
}

Rgb PhotoLike(int x, int y, int width, int height) {
    unsigned h = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    int noise = static_cast<int>((h >> 16) % 17) - 8;
    auto clamp = [](int v) { return static_cast<BYTE>(v < 0 ? 0 : v > 255 ? 255 : v); };
    int fx = width > 1 ? x * 255 / (width - 1) : 128;
    int fy = height > 1 ? y * 255 / (height - 1) : 128;
    return {clamp(fx + noise), clamp((fx + fy) / 2 - noise), clamp(255 - fy + noise / 2)};
}

Rgb PixelOf(TBitmap& bitmap, int x, int y) {
    const auto* row = static_cast<const BYTE*>(bitmap.ScanLine(y));
    return {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
}

BYTE IndexOf(TBitmap& bitmap, int x, int y) {
    return static_cast<const BYTE*>(bitmap.ScanLine(y))[x];
}

std::vector<PALETTEENTRY> PaletteOf(TBitmap& bitmap) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = bitmap.Palette() ? GetPaletteEntries(bitmap.Palette(), 0, 256, entries.data()) : 0;
    entries.resize(n);
    return entries;
}

std::vector<PALETTEENTRY> StockPalette() {
    std::vector<PALETTEENTRY> entries(20);
    UINT n = GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, entries.data());
    entries.resize(n);
    return entries;
}

} // namespace logotest
