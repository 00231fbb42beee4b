#include "kovalin/GdiBitmapCopy.h"

#include "kovalin/Exceptions.h"
#include "kovalin/Handles.h"

namespace kovalin {

void CopyGdiBitmap(HBITMAP source, TBitmap& dest) {
    BITMAP info{};
    if (!source || GetObjectA(source, sizeof info, &info) != sizeof info)
        throw EInvalidGraphic("The handle is no bitmap");
    int width = info.bmWidth, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    dest.Clear();
    dest.SetPixelFormat(TPixelFormat::pf24bit);
    dest.SetSize(width, height);
    if (dest.Empty()) return;

    // The system converts whatever it holds into top-down 24-bit rows, straight into ours.
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    ScreenDC screen;
    int got =
        GetDIBits(screen.get(), source, 0, static_cast<UINT>(height), dest.ScanLine(0), &bi, DIB_RGB_COLORS);
    if (got != height) throw EInvalidGraphic("The bitmap's pixels could not be read");
}

} // namespace kovalin
