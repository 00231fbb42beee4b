#include "plugins/xfbridge/Dib.h"

#include <cstring>

namespace xfbridge {

WORD DibBitCount(int sourceBits) {
    if (sourceBits <= 1) return 1;
    if (sourceBits <= 4) return 4;
    if (sourceBits <= 8) return 8;
    return 24;
}

LONG DibStride(LONG width, WORD bitCount) {
    return static_cast<LONG>((static_cast<int64_t>(width) * bitCount + 31) / 32 * 4);
}

namespace {

// Colour table entries that follow the header.
DWORD TableEntries(const BITMAPINFOHEADER& h) {
    if (h.biClrUsed) return h.biClrUsed;
    return h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
}

} // namespace

OwnedGlobal BitmapToDib(HBITMAP bitmap) {
    BITMAP bm{};
    if (!bitmap || GetObjectA(bitmap, sizeof bm, &bm) != sizeof bm) return OwnedGlobal();
    if (bm.bmWidth <= 0 || bm.bmHeight <= 0) return OwnedGlobal();

    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = bm.bmWidth;
    h.biHeight = bm.bmHeight;
    h.biPlanes = 1;
    h.biBitCount = DibBitCount(bm.bmPlanes * bm.bmBitsPixel);
    if (h.biBitCount == 4) h.biClrUsed = 16;
    if (h.biBitCount == 8) h.biClrUsed = 256;
    h.biCompression = BI_RGB;
    const uint64_t image = static_cast<uint64_t>(DibStride(h.biWidth, h.biBitCount)) * h.biHeight;
    const uint64_t table = static_cast<uint64_t>(TableEntries(h)) * sizeof(RGBQUAD);
    // The header keeps the size in 32 bits; anything larger cannot be described, let alone filtered.
    if (image > 0x7FFFFFFF - sizeof h - table) return OwnedGlobal();
    h.biSizeImage = static_cast<DWORD>(image);

    OwnedGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof h + table + image));
    if (!block) return OwnedGlobal();
    {
        GlobalLockGuard lock(block.get());
        auto* header = static_cast<BITMAPINFOHEADER*>(lock.data());
        if (!header) return OwnedGlobal();
        std::memcpy(header, &h, sizeof h);
        BYTE* bits = reinterpret_cast<BYTE*>(header) + sizeof h + table;
        WindowDC screen;
        if (GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(h.biHeight), bits,
                      reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS) == 0)
            return OwnedGlobal();
        // GDI may rewrite parts of the header while it fills the table; the layout stays ours.
        std::memcpy(header, &h, sizeof h);
    }
    return block;
}

BYTE* DibPixelStart(BITMAPINFOHEADER* header) {
    BYTE* base = reinterpret_cast<BYTE*>(header) + header->biSize;
    if (header->biCompression == BI_BITFIELDS) return base + 3 * sizeof(DWORD);
    return base + sizeof(RGBQUAD) * header->biClrUsed;
}

DibRows DibRowsOf(BITMAPINFOHEADER* header) {
    DibRows rows;
    rows.header = header;
    rows.pixels = DibPixelStart(header);
    rows.stride = DibStride(header->biWidth, 24);
    rows.topRow = rows.pixels + static_cast<ptrdiff_t>(header->biHeight - 1) * rows.stride;
    return rows;
}

HBITMAP DibToScreenBitmap(HGLOBAL dib) {
    GlobalLockGuard lock(dib);
    auto* header = static_cast<BITMAPINFOHEADER*>(lock.data());
    if (!header || header->biBitCount != 24) return nullptr;
    WindowDC screen;
    return CreateDIBitmap(screen.get(), header, CBM_INIT, DibPixelStart(header),
                          reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
}

} // namespace xfbridge
