#include "plugins/logo/DIBAccess.h"

#include <new>

namespace kvlogo {

using namespace kovalin;

TDIBReader::TDIBReader(TBitmap& source) : source_(source) {
    source_.SetPixelFormat(TPixelFormat::pf24bit);
    width_ = source_.Width();
    height_ = source_.Height();
}

const BYTE* TDIBReader::ScanLine(int row) {
    return static_cast<const BYTE*>(source_.ScanLine(row));
}

namespace {

// A palette the bitmap can own: the same entries under a handle of its own.
HPALETTE CopyPalette(HPALETTE palette) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = palette ? GetPaletteEntries(palette, 0, 256, entries.data()) : 0;
    std::vector<BYTE> buf(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY));
    auto* lp = reinterpret_cast<LOGPALETTE*>(buf.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = static_cast<WORD>(n ? n : 1); // GDI refuses a palette without entries
    for (UINT i = 0; i < n; ++i)
        lp->palPalEntry[i] = entries[i];
    HPALETTE copy = CreatePalette(lp);
    if (!copy) RaiseLastOSError("CreatePalette");
    return copy;
}

} // namespace

TDIBWriter::TDIBWriter(TBitmap& result, HPALETTE palette, int height, int width, TPixelFormat format)
    : result_(result) {
    if (format != TPixelFormat::pf8bit && format != TPixelFormat::pf24bit)
        throw EGIFException("Unsupported PixelFormat");
    if (width <= 0 || height <= 0) throw EGIFException("Invalid image dimensions");
    result_.Clear();
    result_.SetPixelFormat(format);
    if (format == TPixelFormat::pf8bit) result_.SetPalette(CopyPalette(palette));
    try {
        result_.SetSize(width, height);
    } catch (const EOutOfResources&) {
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    } catch (const std::bad_alloc&) {
        throw EOutOfMemory("Failed to allocate memory for GIF DIB");
    }
}

BYTE* TDIBWriter::ScanLine(int row) {
    if (result_.Empty()) throw EGIFException("Image has no DIB");
    return static_cast<BYTE*>(result_.ScanLine(row));
}

} // namespace kvlogo
