// Row access for the colour reducer: TDIBReader reads a source bitmap as 24-bit rows, TDIBWriter
// makes the result bitmap (8 or 24 bits per pixel) and hands out its rows to fill.
#pragma once

#include "kovalin/Bitmap.h"
#include "kovalin/Exceptions.h"

#include <windows.h>

#include <vector>

namespace kvlogo {

// Bad arguments or state of the reader and writer.
class EGIFException : public kovalin::Exception {
    using Exception::Exception;
};

// The memory for an image could not be had.
class EOutOfMemory : public kovalin::Exception {
    using Exception::Exception;
};

class TDIBReader {
public:
    // Converts the bitmap to 24 bits per pixel in place.
    explicit TDIBReader(kovalin::TBitmap& source);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Row `row` counted from the top: three bytes per pixel, blue, green, red.
    const BYTE* ScanLine(int row);

private:
    kovalin::TBitmap& source_;
    int width_, height_;
};

class TDIBWriter {
public:
    // Gives `result` the size, the pixel format (8 or 24 bits per pixel) and, at 8 bits, a copy of
    // the palette's entries as its colour table.
    TDIBWriter(kovalin::TBitmap& result, HPALETTE palette, int height, int width,
               kovalin::TPixelFormat format);
    // Row `row` counted from the top: one palette index (8 bits) or three bytes (24 bits) per pixel.
    BYTE* ScanLine(int row);

private:
    kovalin::TBitmap& result_;
};

} // namespace kvlogo
