#include "kovalin/BitmapHandle.h"

#include "kovalin/Exceptions.h"

namespace kovalin {

std::unique_ptr<TBitmap> CopyBitmapHandle(HBITMAP source) {
    BITMAP bm{};
    // Other GDI objects answer too, with their own record: only a bitmap's size will do.
    if (!source || GetObjectA(source, sizeof bm, &bm) != sizeof bm)
        throw EInvalidGraphic("Invalid bitmap handle");
    auto copy = std::make_unique<TBitmap>();
    copy->SetPixelFormat(TPixelFormat::pf24bit);
    int height = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
    copy->SetSize(bm.bmWidth, height);
    if (copy->Empty()) return copy;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = bm.bmWidth;
    info.bmiHeader.biHeight = -height; // top-down, as the copy stores its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = copy->ScanLine(0);
    ScreenDC screen; // the screen's palette for device-dependent bitmaps of 8 bits or fewer
    if (GetDIBits(screen.get(), source, 0, static_cast<UINT>(height), bits, &info, DIB_RGB_COLORS) != height)
        throw EInvalidGraphic("Cannot read the bitmap's pixels");
    return copy;
}

} // namespace kovalin
