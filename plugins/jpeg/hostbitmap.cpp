#include "plugins/jpeg/hostbitmap.h"

#include "kovalin/Exceptions.h"
#include "kovalin/BitmapHandle.h"

#include <cstring>
#include <vector>

namespace kvjpeg {

using namespace kovalin;

THostBitmap::THostBitmap(HBITMAP handle) : handle_(handle) {
    BITMAP bm{};
    if (!handle || GetObjectA(handle, sizeof bm, &bm) != sizeof bm)
        throw EInvalidGraphic("The handle is no bitmap");
    DIBSECTION ds{};
    if (GetObjectA(handle, sizeof ds, &ds) != sizeof ds || !ds.dsBm.bmBits) return;
    const BITMAPINFOHEADER& h = ds.dsBmih;
    if (h.biCompression != BI_RGB || (h.biBitCount != 24 && h.biBitCount != 32)) return;
    GdiFlush(); // drawing into the section may still be queued
    TPixelRows r;
    r.width = ds.dsBm.bmWidth;
    r.height = ds.dsBm.bmHeight;
    r.bytesPerPixel = h.biBitCount / 8;
    auto* base = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    ptrdiff_t stride = ds.dsBm.bmWidthBytes;
    bool topDown = h.biHeight < 0;
    if (!topDown && r.height > 1) {
        // Not every system keeps the sign of the height it was made with (Wine reports every
        // section as bottom-up): ask for the bottom row and see which end of the memory holds it.
        std::vector<uint8_t> bottom(static_cast<size_t>(stride));
        BITMAPINFO bi{};
        bi.bmiHeader = h;
        bi.bmiHeader.biHeight = r.height;
        ScreenDC screen;
        if (GetDIBits(screen.get(), handle, 0, 1, bottom.data(), &bi, DIB_RGB_COLORS) != 1) return;
        auto same = [&](const uint8_t* row) {
            for (int x = 0; x < r.width; ++x)
                if (std::memcmp(row + x * r.bytesPerPixel, &bottom[static_cast<size_t>(x) * r.bytesPerPixel],
                                3))
                    return false;
            return true;
        };
        bool atStart = same(base), atEnd = same(base + stride * (r.height - 1));
        if (atStart == atEnd) return; // both ends alike: read it through GDI instead
        topDown = atEnd;
    }
    // Rows stored bottom-up start with the last one.
    r.first = topDown ? base : base + stride * (r.height - 1);
    r.pitch = topDown ? stride : -stride;
    rows_ = r;
}

TBitmap& THostBitmap::Bitmap() {
    if (!bitmap_) {
        bitmap_ = CopyBitmapHandle(handle_.get());
    }
    return *bitmap_;
}

} // namespace kvjpeg
